#include "rtf/RtfQtDocument.h"

#include <QFile>
#include <QFont>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QTextCharFormat ToQt(const RtfCharFormat& format) {
    QTextCharFormat qt;
    qt.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    qt.setFontItalic(format.italic);
    qt.setFontUnderline(format.underline);
    qt.setFontPointSize(format.PointSize());
    if (format.color) {
        qt.setForeground(QColor(format.color->red, format.color->green, format.color->blue));
    }
    return qt;
}

QString ToQt(const std::u16string& text) {
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

void RtfQtDocument::Fill(const RtfDocument& document, QTextDocument& target) {
    // The undo history would keep a second copy of the whole text.
    const bool undo = target.isUndoRedoEnabled();
    target.setUndoRedoEnabled(false);
    target.clear();
    QTextCursor cursor(&target);
    cursor.beginEditBlock();
    bool first = true;
    for (const RtfParagraph& paragraph : document.paragraphs) {
        const QTextCharFormat blockFormat = ToQt(paragraph.markFormat);
        if (first) {
            cursor.setBlockCharFormat(blockFormat);
            first = false;
        } else {
            cursor.insertBlock(QTextBlockFormat(), blockFormat);
        }
        for (const RtfRun& run : paragraph.runs) {
            cursor.insertText(ToQt(run.text), ToQt(run.format));
        }
    }
    cursor.endEditBlock();
    target.setUndoRedoEnabled(undo);
}

RtfReader::Status RtfQtDocument::Load(const QString& path, QTextDocument& target,
                                      const RtfReader& reader) {
    RtfDocument document;
    const RtfReader::Status status =
        reader.ReadFile(QFile::encodeName(path).toStdString(), document);
    if (status == RtfReader::Status::Ok) {
        Fill(document, target);
    }
    return status;
}
