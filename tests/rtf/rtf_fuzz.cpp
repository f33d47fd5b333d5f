// libFuzzer entry point for the RTF reader. Besides "no crash, no leak, no
// undefined behaviour" it checks that every document read keeps the model's
// promises, and that tight limits either fail or give the same document.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "RtfDocumentCheck.h"
#include "rtf/RtfReader.h"

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "rtf_fuzz: %s\n", what);
        std::abort();
    }
}

bool SameDocument(const RtfDocument& a, const RtfDocument& b) {
    if (a.paragraphs.size() != b.paragraphs.size()) {
        return false;
    }
    for (std::size_t p = 0; p < a.paragraphs.size(); ++p) {
        const auto& runsA = a.paragraphs[p].runs;
        const auto& runsB = b.paragraphs[p].runs;
        if (runsA.size() != runsB.size() ||
            !(a.paragraphs[p].markFormat == b.paragraphs[p].markFormat)) {
            return false;
        }
        for (std::size_t r = 0; r < runsA.size(); ++r) {
            if (runsA[r].text != runsB[r].text || !(runsA[r].format == runsB[r].format)) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    RtfDocument document;
    const RtfReader::Status status = RtfReader().Parse(input, document);
    Require(rtftest::Problem(document).empty(), rtftest::Problem(document).c_str());
    Require(status == RtfReader::Status::Ok || document.paragraphs.empty(),
            "failed parse left a document");

    RtfReader::Limits tight;
    tight.maxGroupDepth = 6;
    tight.maxElements = 24;
    RtfDocument small;
    const RtfReader::Status smallStatus = RtfReader(tight).Parse(input, small);
    Require(rtftest::Problem(small).empty(), rtftest::Problem(small).c_str());
    if (smallStatus == RtfReader::Status::Ok) {
        Require(status == RtfReader::Status::Ok, "tight limits passed where default ones failed");
        Require(SameDocument(document, small), "tight limits changed the document");
    }
    return 0;
}
