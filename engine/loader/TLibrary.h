#pragma once
// The media libraries the engine loads at run time, and sets of them.
#include <cstdint>
#include <initializer_list>

namespace vidrelo {

enum class TLibrary : uint8_t { avCodec, avDevice, avFilter, avFormat, avUtil, swResample, swScale };
constexpr int LibraryCount = 7;

// A set of libraries, one bit per member (bit 0 = avCodec).
class TLibraries {
public:
    constexpr TLibraries() = default;
    constexpr TLibraries(std::initializer_list<TLibrary> libs)
    {
        for (TLibrary lib : libs)
            FBits |= Bit(lib);
    }
    constexpr bool Contains(TLibrary lib) const { return (FBits & Bit(lib)) != 0; }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr uint32_t Bits() const { return FBits; }
    constexpr TLibraries operator-(TLibrary lib) const { return TLibraries(FBits & ~Bit(lib)); }
    constexpr bool operator==(const TLibraries&) const = default;

    static constexpr TLibraries All() { return TLibraries((1u << LibraryCount) - 1); }

private:
    constexpr explicit TLibraries(uint32_t bits) : FBits(bits) {}
    static constexpr uint32_t Bit(TLibrary lib) { return 1u << static_cast<unsigned>(lib); }
    uint32_t FBits = 0;
};

// The sets the components ask for.
inline constexpr TLibraries EncoderLibraries = TLibraries::All() - TLibrary::avDevice;
inline constexpr TLibraries PlayerLibraries = TLibraries::All() - TLibrary::avDevice;
inline constexpr TLibraries DecoderLibraries{TLibrary::avCodec, TLibrary::avFormat, TLibrary::avUtil,
                                             TLibrary::swResample, TLibrary::swScale};

// The row name as the loader's messages and `vidrelo-cli libs` print it ("avCodec").
const char* LibraryName(TLibrary lib);

}  // namespace vidrelo
