// The replacing write of --output, with its file calls recorded and made to
// fail: a new, unguessable temporary file that is synced, then renamed over
// the target; nothing of it left when a step fails, and a message that
// names the step; a link at the target followed to the file it names, never
// one at a temporary name.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "checked_output.h"

namespace {

namespace fs = std::filesystem;

std::string read(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void write(const fs::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

struct Folder {
    fs::path path;
    Folder()
    {
        path = fs::temp_directory_path() / ("velmark-write-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
};

// The real calls, each one logged; `fail` names one to fail with EIO.
struct Recorder {
    velmark::FileCalls calls = velmark::real_file_calls();
    std::vector<std::string> log;
    std::string fail;

    velmark::FileCalls recording()
    {
        velmark::FileCalls real = calls, r = calls;
        r.create_new = [this, real](const std::string &p, int mode) {
            log.push_back("create " + p);
            return fail == "create" ? -EIO : real.create_new(p, mode);
        };
        r.write_all = [this, real](int fd, const char *b, std::size_t n) {
            log.push_back("write");
            return fail == "write" ? EIO : real.write_all(fd, b, n);
        };
        r.sync = [this, real](int fd) {
            log.push_back("sync");
            return fail == "sync" ? EIO : real.sync(fd);
        };
        r.close = [this, real](int fd) {
            log.push_back("close");
            int status = real.close(fd);
            return fail == "close" ? EIO : status;
        };
        r.rename = [this, real](const std::string &from, const std::string &to) {
            log.push_back("rename " + from + " " + to);
            return fail == "rename" ? EIO : real.rename(from, to);
        };
        r.remove = [this, real](const std::string &p) {
            log.push_back("remove " + p);
            return real.remove(p);
        };
        r.sync_folder = [this, real](const std::string &folder) {
            log.push_back("sync folder " + folder);
            return fail == "sync folder" ? EIO : real.sync_folder(folder);
        };
        return r;
    }
};

TEST(ReplacingWrite, ATemporaryFileIsSyncedThenRenamedOverTheTarget)
{
    Folder folder;
    const std::string target = (folder.path / "result.json").string();
    write(target, "an earlier result that is longer than the new one");
    Recorder recorder;
    ASSERT_EQ("", velmark::write_file_replacing(target, "{}\n", recorder.recording()));
    EXPECT_EQ("{}\n", read(target));
    ASSERT_EQ(6u, recorder.log.size());
    const std::string create = recorder.log[0];
    const std::string temporary = create.substr(std::string("create ").size());
    EXPECT_NE(target, temporary) << "never written in place";
    EXPECT_EQ(0u, temporary.find(target + ".tmp-")) << "beside the target";
    EXPECT_EQ((std::vector<std::string>{create, "write", "sync", "close", "rename " + temporary + " " + target,
                                        "sync folder " + folder.path.string()}),
              recorder.log);
    EXPECT_FALSE(fs::exists(temporary));

    Recorder again;
    ASSERT_EQ("", velmark::write_file_replacing(target, "{}\n", again.recording()));
    EXPECT_NE(create, again.log[0]) << "a name nobody can know in advance";
}

TEST(ReplacingWrite, AFailedStepLeavesTheTargetAsItWasAndNoTemporaryFileAndIsNamed)
{
    const std::string eio = std::strerror(EIO);
    for (const char *step : {"create", "write", "sync", "close", "rename"}) {
        Folder folder;
        const fs::path target = folder.path / "result.json";
        const std::string t = target.string(), f = folder.path.string();
        const std::string expected = std::string(step) == "create"   ? "cannot create a file in " + f + " (to replace " + t + " with): " + eio
                                     : std::string(step) == "rename" ? "cannot replace " + t + " with the new file: " + eio
                                                                     : "cannot write " + t + ": " + eio;
        write(target, "the earlier result");
        Recorder recorder;
        recorder.fail = step;
        EXPECT_EQ(expected, velmark::write_file_replacing(t, "{}\n", recorder.recording())) << step;
        EXPECT_EQ("the earlier result", read(target)) << step;
        EXPECT_EQ(1, std::distance(fs::directory_iterator(folder.path), fs::directory_iterator())) << step;
    }
}

TEST(ReplacingWrite, AFolderThatCannotBeSyncedIsAFailureThoughTheFileIsInPlace)
{
    Folder folder;
    const fs::path target = folder.path / "result.json";
    Recorder recorder;
    recorder.fail = "sync folder";
    EXPECT_EQ(target.string() + " is written, but its folder " + folder.path.string() + " could not be synced: " +
                  std::strerror(EIO),
              velmark::write_file_replacing(target.string(), "{}\n", recorder.recording()));
    EXPECT_EQ("{}\n", read(target));
}

TEST(ReplacingWrite, TemporaryNamesCarrySixtyFourRandomBits)
{
    // Every one of the 16 hex digits changes between names: none is fixed.
    const velmark::FileCalls calls = velmark::real_file_calls();
    const std::string prefix = "result.json.tmp-";
    std::vector<std::string> names;
    for (int i = 0; i < 64; ++i) {
        std::string name = calls.temporary_name("result.json", 0);
        ASSERT_EQ(prefix.size() + 16, name.size()) << name;
        names.push_back(name.substr(prefix.size()));
    }
    for (std::size_t digit = 0; digit < 16; ++digit) {
        bool varies = false;
        for (const std::string &name : names) varies = varies || name[digit] != names[0][digit];
        EXPECT_TRUE(varies) << "digit " << digit << " is always " << names[0][digit];
    }
}

#ifndef _WIN32
TEST(ReplacingWrite, ANewFileFollowsTheUmask)
{
    Folder folder;
    const fs::path target = folder.path / "result.json";
    mode_t umask_before = umask(027);
    std::string error = velmark::write_file_replacing(target.string(), "{}\n");
    umask(umask_before);
    ASSERT_EQ("", error);
    struct stat after;
    ASSERT_EQ(0, stat(target.c_str(), &after));
    EXPECT_EQ(0640u, after.st_mode & 07777) << "no write bit for others, whatever the code asks";
}

TEST(ReplacingWrite, LinksAtEveryNameItCouldPickAreLeftAlone)
{
    Folder folder;
    const fs::path target = folder.path / "result.json", victim = folder.path / "victim";
    write(victim, "not to be touched");
    const int names = 3;
    Recorder recorder;
    recorder.calls.temporary_name = [&](const std::string &, int attempt) {
        return (folder.path / ("candidate" + std::to_string(attempt % names))).string();
    };
    for (int i = 0; i < names - 1; ++i) fs::create_symlink(victim, folder.path / ("candidate" + std::to_string(i)));
    ASSERT_EQ("", velmark::write_file_replacing(target.string(), "{}\n", recorder.recording()));
    EXPECT_EQ("{}\n", read(target)) << "written under the one free name";
    EXPECT_EQ("not to be touched", read(victim));

    fs::create_symlink(victim, folder.path / ("candidate" + std::to_string(names - 1)));
    EXPECT_EQ("cannot create a file in " + folder.path.string() + " (to replace " + target.string() +
                  " with): " + std::strerror(EEXIST),
              velmark::write_file_replacing(target.string(), "[]\n", recorder.recording()))
        << "every name taken: an error, not a link followed";
    EXPECT_EQ("not to be touched", read(victim));
    EXPECT_EQ("{}\n", read(target));
    for (int i = 0; i < names; ++i) EXPECT_TRUE(fs::is_symlink(folder.path / ("candidate" + std::to_string(i))));
}

TEST(ReplacingWrite, ALinkStaysAndTheFileItNamesIsWrittenBesideItsOwnFolder)
{
    Folder folder;
    fs::create_directories(folder.path / "real");
    const fs::path real = folder.path / "real" / "r.json", link = folder.path / "link.json";
    write(real, "the earlier result");
    fs::create_symlink("real/r.json", link);  // relative: from the link's own folder
    Recorder recorder;
    ASSERT_EQ("", velmark::write_file_replacing(link.string(), "{}\n", recorder.recording()));
    EXPECT_TRUE(fs::is_symlink(link)) << "the link is not replaced";
    EXPECT_EQ("{}\n", read(real));
    EXPECT_EQ(0u, recorder.log[0].find("create " + real.string() + ".tmp-")) << "beside the target: " << recorder.log[0];
    EXPECT_EQ("sync folder " + (folder.path / "real").string(), recorder.log.back());

    // A link to a link to a file that does not exist yet: the file is made.
    const fs::path missing = folder.path / "real" / "new.json", second = folder.path / "second.json";
    fs::create_symlink(missing, second);
    fs::create_symlink(second, folder.path / "first.json");
    ASSERT_EQ("", velmark::write_file_replacing((folder.path / "first.json").string(), "[]\n"));
    EXPECT_EQ("[]\n", read(missing));
    EXPECT_TRUE(fs::is_symlink(second));

    // A chain of 40 links, as many as Linux follows, is followed; one more
    // is taken for a loop.
    const fs::path end = folder.path / "end.json";
    fs::path chain = end;
    for (int k = 1; k <= 41; ++k) {
        const fs::path link = folder.path / ("chain" + std::to_string(k));
        fs::create_symlink(chain, link);
        chain = link;
        if (k == 40) {
            ASSERT_EQ("", velmark::write_file_replacing(chain.string(), "40\n"));
            EXPECT_EQ("40\n", read(end));
        }
    }
    EXPECT_EQ("cannot write " + chain.string() + ": " + std::strerror(ELOOP),
              velmark::write_file_replacing(chain.string(), "41\n"));

    // Links in a loop lead nowhere.
    fs::create_symlink(folder.path / "b", folder.path / "a");
    fs::create_symlink(folder.path / "a", folder.path / "b");
    const std::string a = (folder.path / "a").string();
    EXPECT_EQ("cannot write " + a + ": " + std::strerror(ELOOP), velmark::write_file_replacing(a, "{}\n"));
}

TEST(ReplacingWrite, TheReplacedFileKeepsItsPermissionBits)
{
    Folder folder;
    const fs::path target = folder.path / "result.json";
    write(target, "old");
    // Bits that the usual umask takes from a new file: the file's own, kept.
    ASSERT_EQ(0, chmod(target.c_str(), 0664));
    mode_t umask_before = umask(022);
    std::string error = velmark::write_file_replacing(target.string(), "{}\n");
    umask(umask_before);
    ASSERT_EQ("", error);
    struct stat after;
    ASSERT_EQ(0, stat(target.c_str(), &after));
    EXPECT_EQ(0664u, after.st_mode & 07777);
}
#endif

}  // namespace
