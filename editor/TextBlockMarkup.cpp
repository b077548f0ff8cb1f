// A text block's markup: its characters with a mark wherever the face, the
// size or an effect changes from the running format.
#include "editor/TextBlockFormats.h"
#include "editor/TextBlocks.h"

#include "CoreUtilities/TextBufferStack.h"
#include "document/DocState.h"
#include "document/DocumentParseContext.h"
#include "editor/COurEdit.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace {

// The longest face a box's character format holds.
constexpr size_t kLongestFace = 31;

struct RunningFormat {
    std::string face;
    int32_t pixels;
    int32_t effects;
};

// A face as a mark can carry it: without the characters that end a mark or
// the text, cut at a character boundary to the longest face.
std::string MarkupFace(const QString& face)
{
    std::string out;
    for (char c : face.toStdString()) {
        if (c == '>' || c == '[' || c == '"' || c == '\r' || c == '\n' || c == 0)
            continue;
        out += c;
    }
    if (out.size() > kLongestFace) {
        size_t cut = kLongestFace;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80)
            --cut;
        out.resize(cut);
    }
    return out;
}

void AppendCodePoint(std::string& out, char32_t c)
{
    if (c == '"') {
        out += "\"\"";
    } else if (c == '<') {
        out += "<<";
    } else if (c == 0) {
        // A NUL would end the document text early.
    } else {
        QString one = QString::fromUcs4(&c, 1);
        out += one.toUtf8().toStdString();
    }
}

void AppendFormatChanges(std::string& out, RunningFormat& running, const QTextCharFormat& format, const QFont& base)
{
    std::string face = MarkupFace(EffectiveFace(format, base));
    if (!face.empty() && face != running.face) {
        out += "<font=" + face + ">";
        running.face = face;
    }
    int32_t pixels = std::clamp(EffectivePixelSize(format, base), kSmallestTextSize, kLargestTextSize);
    if (pixels != running.pixels) {
        out += "<size=" + std::to_string(pixels) + ">";
        running.pixels = pixels;
    }
    static const char* const kOn[3] = {"<B>", "<I>", "<U>"};
    static const char* const kOff[3] = {"</B>", "</I>", "</U>"};
    int32_t effects = EffectsOf(format);
    for (int32_t i = 0; i < 3; ++i) {
        int32_t bit = 1 << i;
        if ((effects & bit) != (running.effects & bit))
            out += effects & bit ? kOn[i] : kOff[i];
    }
    running.effects = effects;
}

}  // namespace

std::string TextDocumentMarkup(const QTextDocument* text, const char* face, int32_t pixels)
{
    std::string out;
    RunningFormat running{face ? face : "", pixels, 0};
    const QFont base = text->defaultFont();
    for (QTextBlock block = text->begin(); block.isValid(); block = block.next()) {
        if (block != text->begin())
            out += '\r';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            // Code points, not units: a character outside the first plane is
            // one sequence.
            const QList<uint> points = fragment.text().toUcs4();
            if (points.isEmpty())
                continue;
            AppendFormatChanges(out, running, fragment.charFormat(), base);
            for (uint c : points)
                AppendCodePoint(out, static_cast<char32_t>(c));
        }
    }
    return out;
}

void WriteTextBoxMarkup(COurEdit* box, DocState* doc)
{
    if (!box)
        return;
    // The box is only read; nothing it shows changes.
    int32_t lock = box->paintLock;
    box->paintLock = 1;
    std::string markup = TextDocumentMarkup(box->document(), doc->FontName, doc->FontSizes);
    PutTextString(markup.c_str());
    box->paintLock = lock;
}
