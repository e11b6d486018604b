// ScrambleFile IN OUT: writes IN to OUT with every byte complemented, the
// form in which the catalogue's format file ships. The same operation turns
// a shipped file back into its readable text.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char* argv[])
{
    if (argc != 3) {
        std::fputs("usage: ScrambleFile IN OUT\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "ScrambleFile: cannot open \"%s\"\n", argv[1]);
        return 1;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        std::fprintf(stderr, "ScrambleFile: cannot read \"%s\"\n", argv[1]);
        return 1;
    }
    for (char& byte : bytes)
        byte = static_cast<char>(~static_cast<unsigned char>(byte));
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "ScrambleFile: cannot write \"%s\"\n", argv[2]);
        return 1;
    }
    return 0;
}
