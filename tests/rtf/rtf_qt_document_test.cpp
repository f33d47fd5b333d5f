// The Qt adapter: formats, blocks and text of the QTextDocument it fills.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <vector>

#include "rtf/RtfQtDocument.h"

namespace {

using Status = RtfReader::Status;

struct Fragment {
    QString text;
    bool bold;
    bool italic;
    bool underline;
    double points;
    QColor color;  // invalid: no colour of its own
};

// The fragments of one block, in order.
std::vector<Fragment> Fragments(const QTextBlock& block) {
    std::vector<Fragment> out;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const QColor color = format.hasProperty(QTextFormat::ForegroundBrush)
                                 ? format.foreground().color()
                                 : QColor();
        out.push_back(Fragment{fragment.text(), format.fontWeight() == QFont::Bold,
                               format.fontItalic(), format.fontUnderline(), format.fontPointSize(),
                               color});
    }
    return out;
}

void ExpectFragments(const QTextBlock& block, const std::vector<Fragment>& expected) {
    const std::vector<Fragment> actual = Fragments(block);
    ASSERT_EQ(actual.size(), expected.size()) << block.text().toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE("fragment " + std::to_string(i) + ": " + expected[i].text.toStdString());
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_EQ(actual[i].bold, expected[i].bold);
        EXPECT_EQ(actual[i].italic, expected[i].italic);
        EXPECT_EQ(actual[i].underline, expected[i].underline);
        EXPECT_DOUBLE_EQ(actual[i].points, expected[i].points);
        EXPECT_EQ(actual[i].color, expected[i].color);
    }
}

RtfDocument Parse(const char* rtf) {
    RtfDocument document;
    EXPECT_EQ(RtfReader().Parse(rtf, document), Status::Ok);
    return document;
}

const char* const kLicence =
    R"({\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Helvetica;}{\f1\fcharset128 Osaka;}})"
    R"({\colortbl;\red200\green0\blue0;})"
    "\n"
    R"(\f0\fs28 Title \b Bold\b0  \i It\i0  \ul Un\ulnone  {\cf1 Red}\par)"
    "\n"
    R"(\fs21 small\line next\tab end\par)"
    "\n"
    R"(\par)"
    "\n"
    R"(\f1 \'93\'fa\'96\'7b\'8c\'ea \f0\uc0\u26085\u26412\u35486 })";

TEST(RtfQtDocument, FormatsPerFragment) {
    QTextDocument target;
    RtfQtDocument::Fill(Parse(kLicence), target);
    ASSERT_EQ(target.blockCount(), 4);

    const QColor none;
    ExpectFragments(target.findBlockByNumber(0),
                    {
                        {"Title ", false, false, false, 14, none},
                        {"Bold", true, false, false, 14, none},
                        {" ", false, false, false, 14, none},
                        {"It", false, true, false, 14, none},
                        {" ", false, false, false, 14, none},
                        {"Un", false, false, true, 14, none},
                        {" ", false, false, false, 14, none},
                        {"Red", false, false, false, 14, QColor(200, 0, 0)},
                    });
    ExpectFragments(
        target.findBlockByNumber(1),
        {{QString("small") + QChar::LineSeparator + "next\tend", false, false, false, 10.5, none}});
    EXPECT_TRUE(target.findBlockByNumber(2).text().isEmpty());
    EXPECT_DOUBLE_EQ(target.findBlockByNumber(2).charFormat().fontPointSize(), 10.5);
    ExpectFragments(target.findBlockByNumber(3),
                    {{QString::fromUtf8("日本語 日本語"), false, false, false, 10.5, none}});
}

// Japanese from \'hh in Shift-JIS (code page 932) and from \uN alike.
TEST(RtfQtDocument, JapaneseText) {
    QTextDocument target;
    RtfQtDocument::Fill(
        Parse(
            R"({\rtf1\ansi\ansicpg932 \'82\'b1\'82\'f1\'82\'c9\'82\'bf\'82\'cd\par )"
            R"(\uc2\u12371\'82\'b1\u12435\'82\'f1\u12395\'82\'c9\u12385\'82\'bf\u12399\'82\'cd})"),
        target);
    ASSERT_EQ(target.blockCount(), 2);
    const QString hello = QString::fromUtf8("こんにちは");
    EXPECT_EQ(target.findBlockByNumber(0).text(), hello);
    EXPECT_EQ(target.findBlockByNumber(1).text(), hello);
}

TEST(RtfQtDocument, FillReplacesContentAndKeepsUndoSetting) {
    QTextDocument target;
    target.setPlainText("old\nlines\nhere");
    target.setUndoRedoEnabled(true);
    RtfQtDocument::Fill(Parse(R"({\rtf1 {\b new}})"), target);
    EXPECT_EQ(target.toPlainText(), "new");
    EXPECT_EQ(target.blockCount(), 1);
    EXPECT_TRUE(target.isUndoRedoEnabled());
    EXPECT_FALSE(target.isUndoAvailable());

    RtfQtDocument::Fill(RtfDocument{}, target);
    EXPECT_TRUE(target.toPlainText().isEmpty());
}

// A paragraph that is only empty lines keeps its place, so the block count
// matches the paragraph count.
TEST(RtfQtDocument, EmptyParagraphs) {
    QTextDocument target;
    RtfQtDocument::Fill(Parse(R"({\rtf1 \par\par a\par\par})"), target);
    EXPECT_EQ(target.blockCount(), 4);
    EXPECT_EQ(target.toPlainText(), "\n\na\n");
}

class RtfQtLoad : public testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_F(RtfQtLoad, FileIntoTextEdit) {
    const QString path = Write("EULA.rtf", R"({\rtf1 {\i Licence}\par text})");
    QTextEdit edit;
    edit.setReadOnly(true);
    EXPECT_EQ(RtfQtDocument::Load(path, *edit.document()), Status::Ok);
    EXPECT_EQ(edit.toPlainText(), "Licence\ntext");
    EXPECT_TRUE(edit.document()->begin().begin().fragment().charFormat().fontItalic());
}

TEST_F(RtfQtLoad, RtfdFolder) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("EULA.rtf"));
    Write("EULA.rtf/TXT.rtf", R"({\rtf1 from folder})");
    QTextDocument target;
    EXPECT_EQ(RtfQtDocument::Load(m_dir.filePath("EULA.rtf"), target), Status::Ok);
    EXPECT_EQ(target.toPlainText(), "from folder");
}

TEST_F(RtfQtLoad, FailureLeavesContent) {
    Write("plain.rtf", "no rtf here");
    Write("deep.rtf", QByteArray("{\\rtf1 ") + QByteArray(5000, '{'));
    QTextDocument target;
    target.setPlainText("kept");
    EXPECT_EQ(RtfQtDocument::Load(m_dir.filePath("missing.rtf"), target), Status::CannotRead);
    EXPECT_EQ(RtfQtDocument::Load(m_dir.filePath("plain.rtf"), target), Status::NotRtf);
    EXPECT_EQ(RtfQtDocument::Load(m_dir.filePath("deep.rtf"), target), Status::TooDeep);
    EXPECT_EQ(target.toPlainText(), "kept");
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
