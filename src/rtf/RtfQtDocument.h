// Shows RTF documents in Qt text widgets: fills a QTextDocument (for example
// a QTextEdit's document()) from an RtfDocument, one text block per paragraph
// and one character format per run. Text in the automatic colour keeps the
// widget's own text colour.
#pragma once

#include <QString>

#include "rtf/RtfDocument.h"
#include "rtf/RtfReader.h"

class QTextDocument;

class RtfQtDocument {
  public:
    // Replaces the content of target with document.
    static void Fill(const RtfDocument& document, QTextDocument& target);

    // Reads the RTF file or RTFD folder at path and, when it was read whole,
    // replaces the content of target with it. On any other status target is
    // left as it was.
    static RtfReader::Status Load(const QString& path, QTextDocument& target,
                                  const RtfReader& reader = RtfReader());
};
