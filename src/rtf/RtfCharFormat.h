// Character attributes of one run of RTF text.
//
// The size is kept in half points, the unit of the RTF \fs control word, so it
// is exact; PointSize() gives points. A colour that is absent means "the
// viewer's default text colour" (RTF's automatic colour, \cf0 with an empty
// first colour-table entry, or a colour index the table does not have).
#pragma once

#include <optional>

#include "rtf/RtfColor.h"

struct RtfCharFormat {
    // RTF's default size: 12 points.
    static constexpr int kDefaultHalfPoints = 24;

    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = kDefaultHalfPoints;
    std::optional<RtfColor> color;

    double PointSize() const { return halfPoints / 2.0; }
    bool operator==(const RtfCharFormat&) const = default;
};
