// Drive C: on a host folder: path forms, refused paths, case, attributes, bytes and sharing.
#include "sim/winsim/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace winsim {
namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/winsim-fs-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(pattern));
    root = pattern;
    files = std::make_unique<FileSystem>(root);
  }
  void TearDown() override {
    files.reset();
    std::filesystem::remove_all(root);
  }

  std::string Host(const std::string& winPath) {
    std::string host = "(refused)";
    files->ToHostPath(winPath, &host);
    return host;
  }
  static std::string HostBytes(const std::string& host) {
    std::ifstream in(host, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  std::string root;
  std::unique_ptr<FileSystem> files;
};

TEST_F(FileSystemTest, StartsWithTheWindowsFolders) {
  EXPECT_EQ("C:\\WINDOWS", files->WindowsDirectory());
  EXPECT_TRUE(std::filesystem::is_directory(root + "/WINDOWS/SYSTEM"));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), files->Attributes("C:\\WINDOWS"));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY), files->Attributes("c:\\windows\\system"));
}

TEST_F(FileSystemTest, EveryFormOfAPathOnCNamesTheSameHostFile) {
  const std::string expected = root + "/a/b.txt";
  for (const char* path : {"C:\\a\\b.txt", "c:/a/b.txt", "\\a\\b.txt", "a\\b.txt", "C:a\\b.txt",
                           "C:\\x\\..\\a\\.\\b.txt", "C:\\..\\..\\a\\b.txt", "C:\\a\\\\b.txt",
                           "C:\\a\\b.txt..", "C:\\a\\b.txt  ", "C:\\a\\b.txt\\"})
    EXPECT_EQ(expected, Host(path)) << path;
  EXPECT_EQ(root, Host("C:\\")) << "the root itself";
  EXPECT_EQ(root, Host("C:\\..")) << ".. never leaves C:";
}

TEST_F(FileSystemTest, RefusesPathsOffCAndNamesWindowsForbids) {
  const std::string tooLong = "C:\\" + std::string(256, 'x');
  const std::string longPath = "C:\\" + std::string(200, 'a') + "\\" + std::string(60, 'b');
  for (const std::string& path :
       {std::string(""), std::string("D:\\x.ini"), std::string("\\\\server\\share\\x.ini"),
        std::string("\\\\.\\DRV1"), std::string("//server/share"), std::string("C:\\a<b"),
        std::string("C:\\a>b"), std::string("C:\\a:b"), std::string("C:\\a\"b"),
        std::string("C:\\a|b"), std::string("C:\\a?b"), std::string("C:\\a*b"),
        std::string("C:\\dir*\\b"), std::string("C:\\a\tb"), std::string("C:\\NUL"),
        std::string("C:\\dir\\com1.txt"), std::string("C:\\Con"), tooLong, longPath}) {
    std::string host = "untouched";
    EXPECT_FALSE(files->ToHostPath(path, &host)) << path;
    EXPECT_EQ("untouched", host) << path;
    EXPECT_FALSE(files->Exists(path)) << path;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, files->Attributes(path)) << path;
    EXPECT_FALSE(files->WriteFile(path, "x")) << path;
  }
  EXPECT_TRUE(FileSystem::HasInvalidNameCharacters("C:\\a?b"));
  EXPECT_FALSE(FileSystem::HasInvalidNameCharacters("C:\\a\\b.ini")) << "the drive colon is fine";
}

TEST_F(FileSystemTest, FindsExistingNamesInAnyCaseAndKeepsTheCaseOfNewOnes) {
  ASSERT_TRUE(files->WriteFile("C:\\Tavos\\Tavos.INI", "x"));
  EXPECT_EQ(root + "/Tavos/Tavos.INI", Host("c:\\TAVOS\\tavos.ini"));
  std::string normalized;
  ASSERT_TRUE(files->Normalize("c:/tavos/./TAVOS.ini", &normalized));
  EXPECT_EQ("C:\\Tavos\\Tavos.INI", normalized);
  EXPECT_EQ(root + "/WINDOWS/New.Txt", Host("C:\\windows\\New.Txt"));
  EXPECT_EQ(root + "/NewDir/Sub/F.ini", Host("C:\\NewDir\\Sub\\F.ini"));
  EXPECT_TRUE(files->Exists("C:\\TAVOS\\TAVOS.INI"));
}

TEST_F(FileSystemTest, PrefersTheExactNameWhenTheHostHasTwoThatDifferByCase) {
  ASSERT_TRUE(files->WriteFile("C:\\x.ini", "lower"));
  std::ofstream(root + "/X.INI") << "upper";
  std::string bytes;
  ASSERT_TRUE(files->ReadFile("C:\\X.INI", &bytes));
  EXPECT_EQ("upper", bytes);
  ASSERT_TRUE(files->ReadFile("C:\\x.ini", &bytes));
  EXPECT_EQ("lower", bytes);
  ASSERT_TRUE(files->ReadFile("C:\\X.ini", &bytes));
  EXPECT_EQ("upper", bytes) << "no exact match: the first in host order (X.INI < x.ini)";
}

TEST_F(FileSystemTest, AttributesOfFilesAndFolders) {
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, files->Attributes("C:\\missing.ini"));
  EXPECT_FALSE(files->SetAttributes("C:\\missing.ini", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, files->Attributes("C:\\missing.ini")) << "no file appeared";

  ASSERT_TRUE(files->WriteFile("C:\\Tavos.ini", ""));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), files->Attributes("C:\\Tavos.ini"));
  ASSERT_TRUE(files->SetAttributes("c:\\TAVOS.INI", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), files->Attributes("C:/tavos.ini"))
      << "kept under the normalised path, whatever the spelling";
  ASSERT_TRUE(files->WriteFile("C:\\Tavos.ini", "new content"));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            files->Attributes("C:\\Tavos.ini"))
      << "rewriting keeps them";
  ASSERT_TRUE(files->SetAttributes("C:\\Tavos.ini", FILE_ATTRIBUTE_DIRECTORY | 0x80000000u));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_NORMAL), files->Attributes("C:\\Tavos.ini"))
      << "bits a file cannot have are dropped; none left reads as NORMAL";

  ASSERT_TRUE(files->SetAttributes("C:\\WINDOWS", FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN),
            files->Attributes("C:\\WINDOWS"));
}

TEST_F(FileSystemTest, RemovingAFileForgetsItsAttributes) {
  ASSERT_TRUE(files->WriteFile("C:\\a.ini", "x"));
  ASSERT_TRUE(files->SetAttributes("C:\\a.ini", FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(files->Remove("C:\\A.INI"));
  EXPECT_FALSE(std::filesystem::exists(root + "/a.ini"));
  ASSERT_TRUE(files->WriteFile("C:\\a.ini", "x"));
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_ARCHIVE), files->Attributes("C:\\a.ini"));
}

TEST_F(FileSystemTest, ACreatedFileGetsItsAttributesWithArchive) {
  ASSERT_TRUE(files->WriteFile("C:\\a.ini", ""));
  files->SetCreatedAttributes("C:\\a.ini", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE), files->Attributes("C:\\a.ini"));
}

TEST_F(FileSystemTest, BytesGoThroughUnchanged) {
  const std::string bytes("[S]\r\nK=V\r\n\0\x1A\xFF\n", 14);
  ASSERT_TRUE(files->WriteFile("C:\\Deep\\Er\\f.bin", bytes)) << "missing folders are created";
  EXPECT_EQ(bytes, HostBytes(root + "/Deep/Er/f.bin"));
  std::string read = "marker";
  ASSERT_TRUE(files->ReadFile("c:\\deep\\er\\F.BIN", &read));
  EXPECT_EQ(bytes, read);
  ASSERT_TRUE(files->WriteFile("C:\\Deep\\Er\\f.bin", "")) << "truncates";
  ASSERT_TRUE(files->ReadFile("C:\\Deep\\Er\\f.bin", &read));
  EXPECT_EQ("", read);
}

TEST_F(FileSystemTest, FoldersAreNotFiles) {
  std::string read = "marker";
  EXPECT_FALSE(files->ReadFile("C:\\missing.bin", &read));
  EXPECT_FALSE(files->ReadFile("C:\\WINDOWS", &read));
  EXPECT_EQ("marker", read);
  EXPECT_FALSE(files->WriteFile("C:\\WINDOWS", "x"));
  EXPECT_FALSE(files->WriteFile("C:\\", "x"));
  ASSERT_TRUE(files->WriteFile("C:\\f.txt", "x"));
  EXPECT_FALSE(files->WriteFile("C:\\f.txt\\g.txt", "x")) << "a file is no folder";
  EXPECT_TRUE(files->IsDirectory("C:\\windows"));
  EXPECT_FALSE(files->IsFile("C:\\windows"));
  EXPECT_TRUE(files->IsFile("C:\\F.TXT"));
  EXPECT_TRUE(files->ParentExists("C:\\windows\\new.ini"));
  EXPECT_TRUE(files->ParentExists("C:\\new.ini"));
  EXPECT_FALSE(files->ParentExists("C:\\nodir\\new.ini"));
}

TEST_F(FileSystemTest, RemovesFilesAndEmptyFoldersOnly) {
  ASSERT_TRUE(files->WriteFile("C:\\d\\f.txt", "x"));
  EXPECT_FALSE(files->Remove("C:\\d")) << "not empty";
  EXPECT_TRUE(files->Remove("C:\\d\\f.txt"));
  EXPECT_FALSE(files->Remove("C:\\d\\f.txt")) << "already gone";
  EXPECT_TRUE(files->Remove("C:\\D"));
  EXPECT_FALSE(files->Remove("C:\\"));
  EXPECT_TRUE(std::filesystem::is_directory(root));
}

TEST_F(FileSystemTest, ListsAFolderSortedWithoutRegardToCase) {
  for (const char* name : {"C:\\d\\b.ini", "C:\\d\\A.ini", "C:\\d\\c.ini", "C:\\d\\sub\\x"})
    ASSERT_TRUE(files->WriteFile(name, ""));
  std::vector<std::string> names;
  ASSERT_TRUE(files->List("c:\\D", &names));
  EXPECT_EQ((std::vector<std::string>{"A.ini", "b.ini", "c.ini", "sub"}), names);
  EXPECT_FALSE(files->List("C:\\d\\b.ini", &names));
  EXPECT_FALSE(files->List("C:\\nodir", &names));
}

TEST_F(FileSystemTest, SharingFollowsTheModesOfTheOpensInPlace) {
  ASSERT_TRUE(files->WriteFile("C:\\f.ini", ""));
  EXPECT_TRUE(files->SharingAllows("C:\\f.ini", GENERIC_READ | GENERIC_WRITE, 0));
  {
    auto reader = files->RegisterOpen("C:\\f.ini", GENERIC_READ, FILE_SHARE_READ);
    EXPECT_TRUE(files->IsOpen("c:\\F.INI"));
    EXPECT_TRUE(files->SharingAllows("C:\\F.INI", GENERIC_READ, FILE_SHARE_READ));
    EXPECT_FALSE(files->SharingAllows("C:\\f.ini", GENERIC_READ, FILE_SHARE_WRITE))
        << "the open reader is not shared with";
    EXPECT_FALSE(files->SharingAllows("C:\\f.ini", GENERIC_WRITE, FILE_SHARE_READ))
        << "the reader does not share writing";
    EXPECT_TRUE(files->SharingAllows("C:\\f.ini", 0, 0)) << "attributes only";
    EXPECT_TRUE(files->SharingAllows("C:\\other.ini", GENERIC_WRITE, 0));
    EXPECT_FALSE(files->SharingAllows("C:\\f.ini", 0x00010000 /* DELETE */,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE));
  }
  EXPECT_FALSE(files->IsOpen("C:\\f.ini"));
  EXPECT_TRUE(files->SharingAllows("C:\\f.ini", GENERIC_WRITE, 0));

  auto writer = files->RegisterOpen("C:\\f.ini", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_TRUE(files->SharingAllows("C:\\f.ini", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_FALSE(files->SharingAllows("C:\\f.ini", GENERIC_READ, FILE_SHARE_READ));
  files.reset();  // an open may outlive the drive
  writer.reset();
}

}  // namespace
}  // namespace winsim
