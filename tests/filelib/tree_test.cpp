// Folder tests and creation, file-name trees, their release and the mirrored
// deletion.
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "filelib/CFile.h"
#include "filelib_fixture.h"
#include "platform/fault_injection.h"
#include "platform/files.h"

using namespace filelib_test;
using zrLib::File::CFile;
using Node = CFile::stFnameList;

namespace {

class TreeTest : public FileLibTest {};

TEST_F(TreeTest, CheckDirectory) {
    WriteText(cwd + "/file", "");
    struct Case {
        const char* label;
        std::string path;
        bool create;
        bool result;
        std::vector<std::string> folders;  // must exist afterwards
        std::vector<std::string> absent;   // must not exist afterwards
    };
    const Case cases[] = {
        {"existing folder", cwd, false, true, {cwd}, {}},
        {"existing folder with /", cwd + "/", false, true, {cwd}, {}},
        {"existing file", cwd + "/file", true, false, {}, {}},
        {"missing, no create", cwd + "/m/n/", false, false, {}, {cwd + "/m"}},
        {"trailing / makes every level",
         cwd + "/a/b/c/",
         true,
         true,
         {cwd + "/a", cwd + "/a/b", cwd + "/a/b/c"},
         {}},
        {"no trailing /: the last is a file name",
         cwd + "/x/y/z",
         true,
         true,
         {cwd + "/x", cwd + "/x/y"},
         {cwd + "/x/y/z"}},
        {"below a file", cwd + "/file/sub/", true, false, {}, {}},
        {"relative, first level missing", "rel/sub/", true, false, {}, {cwd + "/rel"}},
        {"relative, first level present", "a/new/", true, true, {cwd + "/a/new"}, {}},
        {"empty", "", true, false, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(CFile::CheckDirectory(c.path.c_str(), c.create), c.result);
        for (const std::string& f : c.folders) {
            EXPECT_TRUE(IsFolder(f)) << f;
        }
        for (const std::string& f : c.absent) {
            EXPECT_FALSE(Exists(f)) << f;
        }
    }
}

TEST_F(TreeTest, CheckDirectoryKeepsWhatItMadeBeforeAFailure) {
    FaultInjection::Arm(PlatformOp::FSCreateDirectoryUnicode, 2, kErrDiskFull);
    EXPECT_FALSE(CFile::CheckDirectory((cwd + "/p/q/r/").c_str(), true));
    FaultInjection::Reset();
    EXPECT_TRUE(IsFolder(cwd + "/p"));
    EXPECT_FALSE(Exists(cwd + "/p/q"));
    EXPECT_TRUE(CFile::CheckDirectory((cwd + "/p/q/r/").c_str(), true));
    EXPECT_TRUE(IsFolder(cwd + "/p/q/r"));
}

TEST_F(TreeTest, IsDirectoryAndDeleteFile) {
    std::filesystem::create_directories(app + "/only-in-app");
    std::filesystem::create_directories(cwd + "/dir");
    WriteText(cwd + "/file", "");
    EXPECT_TRUE(CFile::IsDirectory("only-in-app"));
    EXPECT_TRUE(CFile::IsDirectory((cwd + "/dir").c_str()));
    EXPECT_FALSE(CFile::IsDirectory((cwd + "/file").c_str()));
    EXPECT_FALSE(CFile::IsDirectory((cwd + "/none").c_str()));

    WriteText(app + "/twice", "");
    WriteText(cwd + "/twice", "");
    EXPECT_TRUE(CFile::DeleteFile("twice")) << "resolved directly, not in the application folder";
    EXPECT_TRUE(Exists(app + "/twice"));
    EXPECT_FALSE(Exists(cwd + "/twice"));
    WriteText(cwd + "/dir/inside", "");
    EXPECT_FALSE(CFile::DeleteFile((cwd + "/dir").c_str()));
    EXPECT_FALSE(CFile::DeleteFile((cwd + "/none").c_str()));
}

// Relative paths of a tree, keyed by full path.
void Collect(const Node* node, std::map<std::string, std::string>* out) {
    for (; node != nullptr; node = node->m_pNext) {
        std::string path = node->m_szPath;
        std::string last = path.substr(path.rfind('/') + 1);
        (*out)[path] = std::string(node->m_szRelDir) + last + (node->m_bIsDirectory ? "/" : "");
        Collect(node->m_pChild, out);
    }
}

int CountNodes(const Node* node) {
    int count = 0;
    for (; node != nullptr; node = node->m_pNext) {
        count += 1 + CountNodes(node->m_pChild);
    }
    return count;
}

TEST_F(TreeTest, FileTreeOfAFolder) {
    std::string src = cwd + "/abc";
    std::filesystem::create_directories(src + "/sub/deeper");
    std::filesystem::create_directories(src + "/empty");
    WriteText(src + "/x.txt", "");
    WriteText(src + "/.hidden", "");
    WriteText(src + "/sub/y.txt", "");
    for (int i = 0; i < 25; ++i) {  // more than two batches
        WriteText(src + "/sub/deeper/n" + std::to_string(i), "");
    }
    std::filesystem::create_symlink(src + "/sub", src + "/link");
    Node* tree = CFile::GetFileTree(src.c_str());
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->m_bIsDirectory);
    EXPECT_EQ(tree->m_nChildNum, 5);
    std::map<std::string, std::string> rel;
    Collect(tree, &rel);
    EXPECT_EQ(rel[src], "./abc/");
    EXPECT_EQ(rel[src + "/x.txt"], "./abc/x.txt");
    EXPECT_EQ(rel[src + "/.hidden"], "./abc/.hidden");
    EXPECT_EQ(rel[src + "/empty"], "./abc/empty/");
    EXPECT_EQ(rel[src + "/link"], "./abc/link") << "a link is listed, not followed";
    EXPECT_EQ(rel[src + "/sub/y.txt"], "./abc/sub/y.txt");
    EXPECT_EQ(rel[src + "/sub/deeper/n24"], "./abc/sub/deeper/n24");
    EXPECT_EQ(rel.size(), 1u + 5u + 2u + 25u);
    for (const Node* child = tree->m_pChild; child != nullptr; child = child->m_pNext) {
        EXPECT_EQ(child->m_pParent, tree);
        FSRef again{};
        ASSERT_EQ(FSPathMakeRef(child->m_szPath, &again, nullptr), kNoErr);
        EXPECT_EQ(FSCompareFSRefs(&again, &child->m_Ref), kNoErr);
    }
    CFile::DeleteFnameList(tree, nullptr);
}

TEST_F(TreeTest, FileTreeEdgeCases) {
    std::filesystem::create_directories(cwd + "/empty");
    std::filesystem::create_directories(cwd + "/slash");
    WriteText(cwd + "/slash/a", "");
    WriteText(cwd + "/file", "");
    struct Case {
        std::string path;
        bool isDirectory;
        int children;
    };
    const Case cases[] = {
        {cwd + "/file", false, 0},
        {cwd + "/missing", false, 0},
        {cwd + "/empty", true, 0},
        {cwd + "/slash/", true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Node* tree = CFile::GetFileTree(c.path.c_str());
        ASSERT_NE(tree, nullptr);
        EXPECT_EQ(tree->m_bIsDirectory, c.isDirectory);
        EXPECT_EQ(tree->m_nChildNum, c.children);
        EXPECT_EQ(CountNodes(tree), 1 + c.children);
        EXPECT_STREQ(tree->m_szRelDir, "./");
        if (c.children > 0) {
            EXPECT_STREQ(tree->m_pChild->m_szRelDir, ".//") << "the empty last component";
        }
        CFile::DeleteFnameList(tree, nullptr);
    }
}

// A hand-made tree R { A { A1 }, B } with a controlled order.
Node* MakeNode(const std::string& path, bool folder, Node* parent) {
    auto* node = new Node{};
    std::strcpy(node->m_szPath, path.c_str());
    node->m_bIsDirectory = folder;
    node->m_pParent = parent;
    std::strcpy(node->m_szRelDir, parent == nullptr ? "./" : "");
    if (parent != nullptr) {
        std::string p = parent->m_szPath;
        std::string rel = std::string(parent->m_szRelDir) + p.substr(p.rfind('/') + 1) + "/";
        std::strcpy(node->m_szRelDir, rel.c_str());
        Node** slot = &parent->m_pChild;
        while (*slot != nullptr) {
            slot = &(*slot)->m_pNext;
        }
        *slot = node;
        ++parent->m_nChildNum;
    }
    return node;
}

Node* MakeSampleTree(const std::string& src) {
    Node* r = MakeNode(src, true, nullptr);
    Node* a = MakeNode(src + "/A", true, r);
    MakeNode(src + "/A/A1", false, a);
    MakeNode(src + "/B", false, r);
    return r;
}

std::vector<std::string>* g_seen = nullptr;

void Record(Node* node) {
    std::string path = node->m_szPath;
    g_seen->push_back(path.substr(path.rfind('/') + 1));
    EXPECT_EQ(node->m_pChild, nullptr);
    EXPECT_EQ(node->m_pNext, nullptr);
}

TEST_F(TreeTest, DeleteFnameListOrder) {
    std::vector<std::string> seen;
    g_seen = &seen;
    CFile::DeleteFnameList(MakeSampleTree(cwd + "/R"), Record);
    g_seen = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{"A1", "B", "A", "R"}));
    CFile::DeleteFnameList(MakeSampleTree(cwd + "/R"), nullptr);  // the sanitizer checks leaks
    CFile::DeleteFnameList(nullptr, Record);
}

// Runs fn on a thread with a small stack: a walk that recursed once per
// sibling would overflow it.
void RunOnSmallStack(void (*fn)(void*), void* arg) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    struct Call {
        void (*fn)(void*);
        void* arg;
    } call{fn, arg};
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attr,
                  [](void* p) -> void* {
                      auto* c = static_cast<Call*>(p);
                      c->fn(c->arg);
                      return nullptr;
                  },
                  &call),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

// A root folder holding count entries, all files.
Node* MakeWideTree(const std::string& folder, int count) {
    Node* root = MakeNode(folder, true, nullptr);
    Node* last = nullptr;
    std::string name = folder.substr(folder.rfind('/') + 1);
    for (int i = 0; i < count; ++i) {
        auto* node = new Node{};
        std::snprintf(node->m_szPath, sizeof node->m_szPath, "%s/%d", folder.c_str(), i);
        std::snprintf(node->m_szRelDir, sizeof node->m_szRelDir, "./%s/", name.c_str());
        node->m_pParent = root;
        (last == nullptr ? root->m_pChild : last->m_pNext) = node;
        last = node;
        ++root->m_nChildNum;
    }
    return root;
}

constexpr int kWide = 30000;

TEST_F(TreeTest, LongSiblingChainsDoNotGrowTheStack) {
    static int count;
    static int firstSeen;
    count = 0;
    firstSeen = -1;
    Node* root = MakeWideTree(cwd + "/big", kWide);
    RunOnSmallStack(
        [](void* tree) {
            CFile::DeleteFnameList(static_cast<Node*>(tree), [](Node* n) {
                if (count++ == 0) {
                    std::string p = n->m_szPath;
                    firstSeen = std::stoi(p.substr(p.rfind('/') + 1));
                }
            });
        },
        root);
    EXPECT_EQ(count, kWide + 1);
    EXPECT_EQ(firstSeen, kWide - 1) << "later siblings come first";

    // The mirrored deletion walks the same kind of chain.
    std::filesystem::create_directories(cwd + "/big");
    WriteText(cwd + "/big/0", "");
    WriteText(cwd + "/big/" + std::to_string(kWide - 1), "");
    root = MakeWideTree(cwd + "/big", kWide);
    static std::string rootPath;
    rootPath = cwd + "/big";
    RunOnSmallStack(
        [](void* tree) {
            CFile::DeleteFilesViaFileList(rootPath.c_str(), static_cast<Node*>(tree));
        },
        root);
    EXPECT_FALSE(Exists(cwd + "/big"));
    CFile::DeleteFnameList(root, nullptr);
}

class MirrorTest : public TreeTest {
  protected:
    // src/abc { A { A1 }, B } listed; dst holds a copy plus a sibling.
    void Build(const std::string& name) {
        src = cwd + "/src/" + name;
        dst = cwd + "/dst/" + name;
        for (const std::string& base : {src, dst}) {
            std::filesystem::create_directories(base + "/A");
            WriteText(base + "/A/A1", "");
            WriteText(base + "/B", "");
        }
        WriteText(cwd + "/dst/keep", "");
    }
    std::string src, dst;
};

TEST_F(MirrorTest, RemovesTheSameObjectsWithOrWithoutSlash) {
    struct Case {
        std::string listed;  // suffix of the listing path
        std::string root;    // suffix of the root path
    };
    const Case cases[] = {{"", ""}, {"", "/"}, {"/", ""}, {"/", "/"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("listed '" + c.listed + "', root '" + c.root + "'");
        Build("abc");
        Node* tree = CFile::GetFileTree((src + c.listed).c_str());
        CFile::DeleteFilesViaFileList((dst + c.root).c_str(), tree);
        CFile::DeleteFnameList(tree, nullptr);
        EXPECT_FALSE(Exists(dst)) << "contents first, then the folder itself";
        EXPECT_TRUE(Exists(cwd + "/dst/keep"));
        EXPECT_TRUE(IsFolder(cwd + "/dst"));
        EXPECT_TRUE(Exists(src + "/A/A1")) << "the listed tree is not touched";
    }
}

TEST_F(MirrorTest, OnlyTheFolderPartOfTheRootPathCounts) {
    Build("abc");
    Node* tree = CFile::GetFileTree(src.c_str());
    CFile::DeleteFilesViaFileList((cwd + "/dst/other-name").c_str(), tree);
    CFile::DeleteFnameList(tree, nullptr);
    EXPECT_FALSE(Exists(dst)) << "the last component comes from the tree's own root";
}

TEST_F(MirrorTest, HiddenNamesAreNotConfusedWithOthers) {
    Build(".abc");
    std::filesystem::create_directories(cwd + "/dst/abc/A");
    WriteText(cwd + "/dst/abc/A/A1", "");
    WriteText(cwd + "/dst/abc/B", "");
    Node* tree = CFile::GetFileTree(src.c_str());
    CFile::DeleteFilesViaFileList(dst.c_str(), tree);
    CFile::DeleteFnameList(tree, nullptr);
    EXPECT_FALSE(Exists(dst));
    EXPECT_TRUE(Exists(cwd + "/dst/abc/A/A1")) << "\".abc\" is not \"abc\"";
    EXPECT_TRUE(Exists(cwd + "/dst/abc/B"));
}

TEST_F(MirrorTest, NonEmptyFoldersStay) {
    Build("abc");
    WriteText(dst + "/A/extra", "");
    Node* tree = CFile::GetFileTree(src.c_str());
    CFile::DeleteFilesViaFileList(dst.c_str(), tree);
    CFile::DeleteFnameList(tree, nullptr);
    EXPECT_FALSE(Exists(dst + "/A/A1"));
    EXPECT_FALSE(Exists(dst + "/B"));
    EXPECT_TRUE(Exists(dst + "/A/extra"));
    EXPECT_TRUE(IsFolder(dst)) << "a folder that is not empty by then stays";
}

}  // namespace
