// The Debian package made from this build tree: what it declares, what it
// holds, and that the programs it installs work from where it puts them
// without writing into the installation.
#include "main/ApplicationIcon.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

using namespace vidrelo::test;
namespace fs = std::filesystem;

namespace {

// Unpacked the way dpkg would install it, under a scratch root.
struct TPackage {
    std::string Deb;
    std::string Root;
    std::string Failure;
};

const TPackage& Package()
{
    static const TPackage package = [] {
        TPackage p;
        const std::string dir = MakeTempDir("package");
        const TProgramResult made =
            RunProgram(VIDRELO_CPACK_COMMAND, {"--config", VIDRELO_BUILD_DIR "/CPackConfig.cmake", "-B", dir});
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".deb")
                p.Deb = entry.path().string();
        if (made.ExitCode != 0 || p.Deb.empty()) {
            p.Failure = "cpack failed: " + made.Out + made.Err;
            return p;
        }
        p.Root = dir + "/root";
        const TProgramResult unpacked = RunProgram("/usr/bin/dpkg-deb", {"-x", p.Deb, p.Root});
        if (unpacked.ExitCode != 0)
            p.Failure = "dpkg-deb -x failed: " + unpacked.Err;
        return p;
    }();
    return package;
}

std::string Field(const std::string& name)
{
    const TProgramResult r = RunProgram("/usr/bin/dpkg-deb", {"-f", Package().Deb, name});
    return r.ExitCode == 0 ? r.Out.substr(0, r.Out.find_last_not_of('\n') + 1) : "";
}

// The names of a Depends-style field, without versions.
std::vector<std::string> PackageNames(const std::string& field)
{
    static const std::regex name(R"((?:^|,)\s*([a-z0-9][a-z0-9.+-]*))");
    std::vector<std::string> names;
    for (std::sregex_iterator m(field.begin(), field.end(), name), end; m != end; ++m)
        names.push_back((*m)[1]);
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Every file and link of the tree with its size and modification time.
std::map<std::string, std::string> Listing(const std::string& root)
{
    std::map<std::string, std::string> listing;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const auto status = entry.symlink_status();
        std::string facts = std::to_string(static_cast<int>(status.type()));
        if (fs::is_regular_file(status))
            facts += " " + std::to_string(entry.file_size()) + " " +
                     std::to_string(entry.last_write_time().time_since_epoch().count());
        listing[fs::relative(entry.path(), root).string()] = facts;
    }
    return listing;
}

bool IsElf(const fs::path& file)
{
    char magic[4] = {};
    std::ifstream(file, std::ios::binary).read(magic, sizeof magic);
    return std::string(magic, sizeof magic) == "\x7f" "ELF";
}

class PackageTest : public ::testing::Test {
protected:
    // Icons are pictures: Qt wants its application object for them.
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "vidrelo_package_tests";
        static char* argv[] = {name, nullptr};
        if (!qApp)
            new QGuiApplication(argc, argv);
    }

    void SetUp() override
    {
#ifdef VIDRELO_SANITIZED
        GTEST_SKIP() << "packages are made from plain builds (tools/package.sh)";
#endif
        ASSERT_TRUE(Package().Failure.empty()) << Package().Failure;
    }
    std::string Installed(const std::string& path) const { return Package().Root + "/usr/" + path; }
};

TEST_F(PackageTest, DeclaresTheLibrariesTheProgramsLoad)
{
    EXPECT_EQ(Field("Package"), "vidrelo");
    const TProgramResult version = RunProgram(BinDir() + "/vidrelo-cli", {"--version"});
    EXPECT_EQ("vidrelo-cli " + Field("Version") + "\n", version.Out);
    EXPECT_EQ(Field("Section"), "video");

    // The media libraries and SDL are loaded at run time, so no tool finds
    // them from the programs' links: the package must name each one the
    // engine loads, by the file's soname ("libavcodec.so.59" is in
    // Debian's "libavcodec59").
    const std::vector<std::string> depends = PackageNames(Field("Depends"));
    const TProgramResult libs = RunProgram(BinDir() + "/vidrelo-cli", {"libs"});
    ASSERT_EQ(libs.ExitCode, 0) << libs.Err;
    static const std::regex soname(R"(/lib(\w+)\.so\.(\d+)\s)");
    int media = 0;
    for (std::sregex_iterator m(libs.Out.begin(), libs.Out.end(), soname), end; m != end; ++m, ++media)
        EXPECT_TRUE(Has(depends, "lib" + (*m)[1].str() + (*m)[2].str())) << (*m)[0] << " in " << Field("Depends");
    EXPECT_EQ(media, 6) << libs.Out;
    for (const char* linked : {"libsdl2-2.0-0", "libqt6widgets6", "libdvdread8", "libcurl4", "qt6-qpa-plugins"})
        EXPECT_TRUE(Has(depends, linked)) << linked << " in " << Field("Depends");
    // libdvdcss is the user's choice; the program works without it.
    EXPECT_FALSE(Has(depends, "libdvdcss2"));
    EXPECT_TRUE(Has(PackageNames(Field("Suggests")), "libdvdcss2"));
}

TEST_F(PackageTest, HoldsTheProgramFolderAndTheDesktopFilesAndNothingOfTheBuild)
{
    for (const char* path :
         {"bin/vidrelo", "bin/vidrelo-cli", "lib/vidrelo/LibAV/libdvddec.so", "lib/vidrelo/LibAV/dvdifocheck",
          "lib/vidrelo/skin-black/skin.ini", "lib/vidrelo/dvd-ripper-profiles/Formats.dat",
          "lib/vidrelo/dvd-ripper-profiles/Icons/video.png", "share/man/man1/vidrelo.1.gz",
          "share/man/man1/vidrelo-cli.1.gz", "share/bash-completion/completions/vidrelo-cli",
          "share/doc/vidrelo/copyright", "share/doc/vidrelo/changelog.gz"})
        EXPECT_TRUE(fs::is_regular_file(Installed(path))) << path;
    // The launchers are links into the program folder, which is how the
    // programs find their folders beside themselves.
    EXPECT_EQ(fs::read_symlink(Installed("bin/vidrelo")), "../lib/vidrelo/vidrelo");

    for (int size : {16, 32, 48, 256}) {
        const QString icon = QString::fromStdString(Installed("share/icons/hicolor/")) +
                             QStringLiteral("%1x%1/apps/com.quarnix.Vidrelo.png").arg(size);
        const QImage picture(icon);
        EXPECT_EQ(picture.size(), QSize(size, size)) << icon.toStdString();
        EXPECT_TRUE(picture.hasAlphaChannel());
    }

    // The windows find the theme's pictures from the installed program folder.
    EXPECT_FALSE(ApplicationIcon(QString::fromStdString(Installed("lib/vidrelo/"))).isNull());

    // The four programs of the package are the only ELF files: no test,
    // benchmark or build tool comes along.
    std::vector<std::string> programs;
    for (const auto& entry : fs::recursive_directory_iterator(Package().Root))
        if (entry.is_regular_file() && !entry.is_symlink() && IsElf(entry.path()))
            programs.push_back(fs::relative(entry.path(), Package().Root + "/usr").string());
    std::sort(programs.begin(), programs.end());
    EXPECT_EQ(programs, (std::vector<std::string>{"lib/vidrelo/LibAV/dvdifocheck", "lib/vidrelo/LibAV/libdvddec.so",
                                                   "lib/vidrelo/vidrelo", "lib/vidrelo/vidrelo-cli"}));
}

TEST_F(PackageTest, InstalledProgramsWorkAndWriteNothingIntoTheInstallation)
{
    const auto before = Listing(Package().Root);
    const std::string cli = Installed("bin/vidrelo-cli");
    const std::string disc = DataDir() + "/discs/discA";
    // The installed programs read the same catalogue and the same disc as
    // the build tree's.
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"profiles"}, {"scan", disc}, {"scan", disc, "--json"}}) {
        const TProgramResult installed = RunProgram(cli, args);
        const TProgramResult built = RunProgram(BinDir() + "/vidrelo-cli", args);
        EXPECT_EQ(installed.ExitCode, 0) << args[0] << ": " << installed.Err;
        EXPECT_EQ(installed.Out, built.Out) << args[0];
    }
    // A conversion goes through the installed plug-in and its IFO checker.
    const std::string out = MakeTempDir("installed rip");
    const TProgramResult rip = RunProgram(cli, {"rip", disc, "--titles", "2", "--out", out});
    EXPECT_EQ(rip.ExitCode, 0) << rip.Err;
    EXPECT_FALSE(fs::is_empty(out));

    EXPECT_EQ(Listing(Package().Root), before);
}

TEST_F(PackageTest, PassesDebiansAndTheDesktopsValidators)
{
    const TProgramResult lint = RunProgram("/usr/bin/lintian", {"--fail-on", "error", Package().Deb});
    EXPECT_EQ(lint.ExitCode, 0) << lint.Out << lint.Err;
    EXPECT_EQ(("\n" + lint.Out).find("\nE: "), std::string::npos) << lint.Out;

    const TProgramResult desktop =
        RunProgram("/usr/bin/desktop-file-validate", {Installed("share/applications/com.quarnix.Vidrelo.desktop")});
    EXPECT_EQ(desktop.ExitCode, 0) << desktop.Out << desktop.Err;
    EXPECT_EQ(desktop.Out, "");

    const TProgramResult metainfo = RunProgram(
        "/usr/bin/appstreamcli", {"validate", "--no-net", Installed("share/metainfo/com.quarnix.Vidrelo.metainfo.xml")});
    EXPECT_EQ(metainfo.ExitCode, 0) << metainfo.Out << metainfo.Err;
    EXPECT_NE(metainfo.Out.find("Validation was successful"), std::string::npos) << metainfo.Out;
}

}  // namespace
