// A source folder that is replaced by a link while it is being copied: the
// copy never reads through the link. This is what a user can try against a
// copy made with administrator rights of a tree that the user owns.
#include <gtest/gtest.h>
#include <stdio.h>

#include <filesystem>

#include "CopyTestSupport.h"
#include "copyengine/ObjectCopy.h"
#include "platform/files.h"

using namespace copytest;

namespace {

constexpr const char* kSecret = "secret contents";

struct Swap {
    std::string folder;  // the source folder to replace
    std::string target;  // what the link points to
    bool done = false;
};

// After the first object copied inside the folder, the folder becomes a link.
OSErr SwapAfterFirstChild(bool, std::uint32_t, OSErr status, FSCatalogInfo*, const FSRef* ref,
                          const FSSpec*, const HFSUniStr255*, void* data) {
    auto* swap = static_cast<Swap*>(data);
    const std::string path = ref->path;
    if (!swap->done && path.find("/dst/top/sub/") != std::string::npos) {
        swap->done = true;
        std::rename(swap->folder.c_str(), (swap->folder + ".moved").c_str());
        MakeLink(swap->target, swap->folder);
    }
    return status;
}

TEST(LinkSwap, AFolderReplacedByALinkDuringTheCopyIsNeverReadThrough) {
    ScratchDir dir;
    MakeDir(dir / "secret", 0700);
    MakeDir(dir / "src");
    MakeDir(dir / "src/top");
    MakeDir(dir / "src/top/sub");
    MakeDir(dir / "dst");
    for (const char* name : {"a", "b", "c", "d"}) {
        WriteFile(dir / "src/top/sub/" + name, "harmless");
        WriteFile(dir / "secret/" + name, kSecret, 0600);
    }
    Swap swap{dir / "src/top/sub", dir / "secret"};
    FSRef src = Ref(dir / "src/top");
    FSRef dst = Ref(dir / "dst");
    const OSErr status = FSCopyObject(&src, &dst, 0, kCatInfoNone, kDupActionStandard, nullptr,
                                      false, false, SwapAfterFirstChild, &swap, nullptr, nullptr);
    ASSERT_TRUE(swap.done);
    EXPECT_NE(status, kNoErr);
    EXPECT_TRUE(List(dir / "dst").empty());
    EXPECT_EQ(ReadFile(dir / "secret/a"), kSecret);
}

}  // namespace
