#include "engine/EngineError.h"
#include "engine/MediaEngine.h"
#include "engine/loader/AVBindings.h"
#include "engine/loader/DynamicLibrary.h"
#include "engine/loader/TFFLoader.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace vidrelo;
namespace fs = std::filesystem;

namespace {

constexpr TLibrary AllRows[] = {TLibrary::avCodec,  TLibrary::avDevice,   TLibrary::avFilter, TLibrary::avFormat,
                                TLibrary::avUtil,   TLibrary::swResample, TLibrary::swScale};

class FFLoaderTest : public ::testing::Test {
protected:
    TMediaEngineScope Engine;
    TFFLoader& Loader = TMediaEngine::Loader();

    void SetUp() override { Loader.SetInstallLogger(false); }

    // Where the system keeps each media library (found through the system search).
    static const std::map<TLibrary, std::string>& SystemFiles()
    {
        static const std::map<TLibrary, std::string> files = [] {
            std::map<TLibrary, std::string> found;
            for (TLibrary lib : AllRows) {
                TLoadResult r = LoadLibraryFrom("", TFFLoader::LibraryFileName(lib));
                found[lib] = LoadedFilePath(r.Handle);
            }
            return found;
        }();
        return files;
    }

    // A folder of links to the system's libraries, leaving out `skip`.
    static std::string LinkFolder(const std::string& name, std::initializer_list<TLibrary> skip = {})
    {
        const std::string dir = test::MakeTempDir("libs") + "/" + name;
        fs::create_directories(dir);
        for (const auto& [lib, path] : SystemFiles())
            if (std::find(skip.begin(), skip.end(), lib) == skip.end())
                fs::create_symlink(path, dir + "/" + TFFLoader::LibraryFileName(lib));
        return dir;
    }

    void ExpectNothingLoaded(TLibraries libs)
    {
        for (TLibrary lib : AllRows) {
            if (libs.Contains(lib)) {
                EXPECT_FALSE(Loader.Loaded(lib)) << LibraryName(lib);
            }
        }
    }
};

TEST_F(FFLoaderTest, FileNamesFollowTheHeadersMajorVersions)
{
    EXPECT_EQ(TFFLoader::LibraryFileName(TLibrary::avCodec), "libavcodec.so." + std::to_string(LIBAVCODEC_VERSION_MAJOR));
    EXPECT_EQ(TFFLoader::LibraryFileName(TLibrary::swResample),
              "libswresample.so." + std::to_string(LIBSWRESAMPLE_VERSION_MAJOR));
}

TEST_F(FFLoaderTest, EmptyLibraryPathLoadsThroughTheSystemSearchAndUnloadClearsEveryPointer)
{
    Loader.SetLibraryPath("");
    ASSERT_TRUE(Loader.Load(EncoderLibraries)) << Loader.LastErrMsg();
    EXPECT_TRUE(Loader.Loaded(EncoderLibraries));
    EXPECT_FALSE(Loader.Loaded(TLibrary::avDevice));
    for (TLibrary lib : AllRows) {
        if (!EncoderLibraries.Contains(lib))
            continue;
        EXPECT_EQ(Loader.LoadedFile(lib), SystemFiles().at(lib));
        for (const TEntryPoint& e : LibraryEntryPoints(lib))
            EXPECT_NE(*e.Slot, nullptr) << e.Name;
    }
    EXPECT_EQ(TFFLoader::VersionText(TLibrary::avCodec).rfind(std::to_string(LIBAVCODEC_VERSION_MAJOR) + ".", 0), 0u);
    EXPECT_EQ(ff::avcodec_version() >> 16, unsigned(LIBAVCODEC_VERSION_MAJOR));

    Loader.Unload(EncoderLibraries);
    ExpectNothingLoaded(EncoderLibraries);
    for (TLibrary lib : AllRows)
        for (const TEntryPoint& e : LibraryEntryPoints(lib))
            EXPECT_EQ(*e.Slot, nullptr) << e.Name;
}

TEST_F(FFLoaderTest, LoadingTwiceKeepsTheSameLibrary)
{
    ASSERT_TRUE(Loader.Load(TLibrary::avUtil));
    auto* const bound = ff::avutil_version;
    const std::string file = Loader.LoadedFile(TLibrary::avUtil);
    ASSERT_TRUE(Loader.Load(TLibrary::avUtil));
    EXPECT_EQ(ff::avutil_version, bound);
    EXPECT_EQ(Loader.LoadedFile(TLibrary::avUtil), file);
}

TEST_F(FFLoaderTest, PrivateSetWithoutAvfilterServesTheDecoderButNotTheEncoder)
{
    const std::string dir = LinkFolder("no-avfilter", {TLibrary::avFilter});
    Loader.SetLibraryPath(dir);
    ASSERT_TRUE(Loader.Load(DecoderLibraries)) << Loader.LastErrMsg();

    EXPECT_FALSE(Loader.Load(EncoderLibraries));
    const std::string missing = dir + "/" + TFFLoader::LibraryFileName(TLibrary::avFilter);
    EXPECT_EQ(Loader.LastErrMsg().rfind("Load library " + missing + " error: ", 0), 0u) << Loader.LastErrMsg();
    // Every library of the failed set is unloaded, the decoder's too.
    ExpectNothingLoaded(EncoderLibraries);
    EXPECT_EQ(ff::avcodec_open2, nullptr);
}

TEST_F(FFLoaderTest, LibraryLackingAFunctionFailsNamingItAndIsUnloaded)
{
    const std::string dir = LinkFolder("missing-function", {TLibrary::avFilter});
    const std::string fake = test::DataDir() + "/fakelibs/missing-function/" + TFFLoader::LibraryFileName(TLibrary::avFilter);
    fs::copy_file(fake, dir + "/" + TFFLoader::LibraryFileName(TLibrary::avFilter));
    Loader.SetLibraryPath(dir);

    EXPECT_FALSE(Loader.Load(TLibrary::avFilter));
    // The fake exports the version function and avfilter_get_by_name only.
    const std::string expected = "Load function avfilter_graph_alloc@" + TFFLoader::LibraryFileName(TLibrary::avFilter) + " error: ";
    EXPECT_EQ(Loader.LastErrMsg().rfind(expected, 0), 0u) << Loader.LastErrMsg();
    EXPECT_NE(Loader.LastErrMsg().find("undefined symbol"), std::string::npos);
    EXPECT_FALSE(Loader.Loaded(TLibrary::avFilter));
    EXPECT_EQ(ff::avfilter_version, nullptr);
    EXPECT_EQ(ff::avfilter_get_by_name, nullptr);
}

TEST_F(FFLoaderTest, BadLibraryFoldersGiveTheLoadersTextAndNoCrash)
{
    const std::string avutil = TFFLoader::LibraryFileName(TLibrary::avUtil);
    const std::string avcodec = TFFLoader::LibraryFileName(TLibrary::avCodec);

    Loader.SetLibraryPath("/no/such/folder");
    EXPECT_FALSE(Loader.Load(EncoderLibraries));
    EXPECT_EQ(Loader.LastErrMsg(), "Load library /no/such/folder/" + avutil +
                                       " error: the library folder /no/such/folder does not exist");

    // Spaces and non-ASCII characters in the folder name are no obstacle...
    const std::string odd = LinkFolder("Bibliothèque vidéo 2");
    Loader.SetLibraryPath(odd);
    EXPECT_TRUE(Loader.Load(EncoderLibraries)) << Loader.LastErrMsg();
    Loader.Unload(TLibraries::All());

    // ...and a file in such a folder that is not a library is named in the failure.
    const std::string broken = LinkFolder("Bibliothèque cassée", {TLibrary::avCodec});
    std::ofstream(broken + "/" + avcodec) << "not a shared object";
    Loader.SetLibraryPath(broken);
    EXPECT_FALSE(Loader.Load(EncoderLibraries));
    EXPECT_EQ(Loader.LastErrMsg().rfind("Load library " + broken + "/" + avcodec + " error: ", 0), 0u)
        << Loader.LastErrMsg();
    ExpectNothingLoaded(EncoderLibraries);

    // A library of another major version, named like ours.
    const std::string other = LinkFolder("other-major", {TLibrary::avCodec});
    fs::copy_file(test::DataDir() + "/fakelibs/other-major/" + avcodec, other + "/" + avcodec);
    Loader.SetLibraryPath(other);
    EXPECT_FALSE(Loader.Load(TLibrary::avCodec));
    EXPECT_NE(Loader.LastErrMsg().find("it is version 58.1.100, this build needs version " +
                                       std::to_string(LIBAVCODEC_VERSION_MAJOR)),
              std::string::npos)
        << Loader.LastErrMsg();
    EXPECT_EQ(ff::avcodec_version, nullptr);
}

TEST_F(FFLoaderTest, EmptySetsAreMisuse)
{
    EXPECT_THROW(Loader.Load(TLibraries{}), EAssertionFailed);
    EXPECT_THROW((void)Loader.Loaded(TLibraries{}), EAssertionFailed);
    EXPECT_THROW(Loader.Unload(TLibraries{}), EAssertionFailed);
}

// Binding itself, with a table of our own against a library we know.
void* RequiredSlot = nullptr;
void* OptionalSlot = nullptr;
void* VariableSlot = nullptr;

TEST(BindEntryPointsTest, OptionalEntriesStayNullAndRequiredOnesFailByKind)
{
    const std::string file = TFFLoader::LibraryFileName(TLibrary::avUtil);
    TLoadResult lib = LoadLibraryFrom("", file);
    ASSERT_NE(lib.Handle, nullptr) << lib.Error;

    const TEntryPoint withOptional[] = {{"avutil_version", &RequiredSlot, false},
                                        {"no_such_function_here", &OptionalSlot, true}};
    BindEntryPoints(lib.Handle, file, withOptional);
    EXPECT_NE(RequiredSlot, nullptr);
    EXPECT_EQ(OptionalSlot, nullptr);

    const TEntryPoint missingFunction[] = {{"no_such_function_here", &RequiredSlot, false}};
    EXPECT_THROW(
        {
            try {
                BindEntryPoints(lib.Handle, file, missingFunction);
            } catch (const EEngineError& e) {
                EXPECT_EQ(std::string(e.what()).rfind("Load function no_such_function_here@" + file + " error: ", 0), 0u);
                throw;
            }
        },
        EEngineError);

    const TEntryPoint missingVariable[] = {{"no_such_table", &VariableSlot, false, TEntryPoint::Variable}};
    try {
        BindEntryPoints(lib.Handle, file, missingVariable);
        ADD_FAILURE() << "a missing variable must fail";
    } catch (const EEngineError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Load variable no_such_table@" + file + " error: ", 0), 0u);
    }
    ClearEntryPoints(withOptional);
    EXPECT_EQ(RequiredSlot, nullptr);
}

}  // namespace
