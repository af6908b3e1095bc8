#include "platform/gdi/FaceChar.h"
#include "platform/gdi/FontEngine_p.h"

#include "platform/rtl/Win1252.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QGlyphRun>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <QRawFont>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <tuple>

namespace gdi {

namespace {

enum class Family { Sans, Mono, Serif };

struct FaceInfo {
    const char* name;
    Family family;
    bool trueType;
    bool oem = false; // bytes 0x01..0x1F and 0x7F..0xFF drawn as the OEM character set draws them
};

// The faces the original system asks for; the bitmap faces among them could not rotate.
constexpr FaceInfo kFaces[] = {
    {"MS Sans Serif", Family::Sans, false},   {"Arial", Family::Sans, true},
    {"Tahoma", Family::Sans, true},           {"Verdana", Family::Sans, true},
    {"System", Family::Sans, false},          {"Small Fonts", Family::Sans, false},
    {"Courier New", Family::Mono, true},      {"Courier", Family::Mono, false},
    {"Terminal", Family::Mono, false, true},  {"Fixedsys", Family::Mono, false},
    {"Times New Roman", Family::Serif, true}, {"MS Serif", Family::Serif, false},
};

// The upper half of the OEM character set: accented letters, line and block drawing, Greek and
// mathematical signs.
constexpr char16_t kOemUpper[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

// The OEM character set's pictographs for the control bytes 0x01..0x1F.
constexpr char16_t kOemLow[32] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9,
    0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7,
    0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

char16_t CharOf(unsigned char c, bool oem) {
    if (!oem) return Win1252ToUnicode(c);
    if (c >= 128) return kOemUpper[c - 128];
    if (c == 0x7F) return 0x2302;
    return c < 0x20 && c != 0 ? kOemLow[c] : c;
}

bool SameFace(const char* a, const std::string& b) {
    if (std::strlen(a) != b.size()) return false;
    for (std::size_t i = 0; i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

FaceInfo FindFace(const std::string& face, BYTE pitchAndFamily) {
    for (const FaceInfo& f : kFaces)
        if (SameFace(f.name, face)) return f;
    if ((pitchAndFamily & 0x03) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN)
        return FaceInfo{"", Family::Mono, true};
    if ((pitchAndFamily & 0xF0) == FF_ROMAN) return FaceInfo{"", Family::Serif, true};
    return FaceInfo{"", Family::Sans, true};
}

const char* FamilyName(Family f) {
    switch (f) {
    case Family::Mono:
        return "DejaVu Sans Mono";
    case Family::Serif:
        return "DejaVu Serif";
    default:
        return "DejaVu Sans";
    }
}

const char* FileName(Family f, bool bold) {
    switch (f) {
    case Family::Mono:
        return bold ? "DejaVuSansMono-Bold.ttf" : "DejaVuSansMono.ttf";
    case Family::Serif:
        return bold ? "DejaVuSerif-Bold.ttf" : "DejaVuSerif.ttf";
    default:
        return bold ? "DejaVuSans-Bold.ttf" : "DejaVuSans.ttf";
    }
}

constexpr const char* kFontDirs[] = {"/usr/share/fonts/truetype/dejavu", "/usr/share/fonts/dejavu",
                                     "/usr/share/fonts/TTF", "/usr/local/share/fonts/dejavu"};

QString FontPath(Family f, bool bold) {
    for (const char* dir : kFontDirs) {
        const QString path =
            QString::fromLatin1(dir) + QLatin1Char('/') + QString::fromLatin1(FileName(f, bold));
        if (QFileInfo::exists(path)) return path;
    }
    // A bold face missing from a partial install falls back to the regular one.
    return bold ? FontPath(f, false) : QString();
}


// Slant of the drawn italic: one pixel to the right per five rows above the baseline.
constexpr double kItalicSlant = 0.2;
// Pixel sizes beyond this are drawn at this size.
constexpr double kMaxPixelSize = 1000;
// Runs whose mask would exceed this many pixels are not drawn.
constexpr long long kMaxMaskPixels = 64LL << 20;

} // namespace

// A face at one pixel size: Qt's font and the glyph and advance of every byte. Shared by the fonts
// that realise to the same file and size.
struct FontFace::Engine {
    QRawFont raw;
    std::array<quint32, 256> glyphs{};
    std::array<int, 256> advances{};
};

namespace {

std::shared_ptr<const FontFace::Engine> EngineFor(const QString& path, double pixelSize, bool oem) {
    // Never destroyed: Qt's font engine may be gone by the time static objects are.
    static auto* mutex = new std::mutex();
    static auto* cache = new std::map<std::tuple<QString, double, bool>, std::shared_ptr<const FontFace::Engine>>();
    std::lock_guard lock(*mutex);
    const auto key = std::make_tuple(path, pixelSize, oem);
    if (auto it = cache->find(key); it != cache->end()) return it->second;
    auto engine = std::make_shared<FontFace::Engine>();
    engine->raw = QRawFont(path, pixelSize, QFont::PreferFullHinting);
    if (!engine->raw.isValid()) return nullptr;
    for (int c = 0; c < 256; ++c) {
        const QString s(QChar(CharOf(static_cast<unsigned char>(c), oem)));
        const QList<quint32> g = engine->raw.glyphIndexesForString(s);
        engine->glyphs[static_cast<std::size_t>(c)] = g.isEmpty() ? 0 : g.front();
        const QList<QPointF> adv = engine->raw.advancesForGlyphIndexes(g);
        engine->advances[static_cast<std::size_t>(c)] =
            adv.isEmpty() ? 0 : static_cast<int>(std::lround(adv.front().x()));
    }
    // Fonts already realised keep their engines; the cache only bounds what it holds itself.
    if (cache->size() >= 64) cache->clear();
    cache->emplace(key, engine);
    return engine;
}

} // namespace

FontFace::~FontFace() {
    // A font deleted after the application object is gone must not reach into Qt's font engine.
    if (engine_ && !QCoreApplication::instance()) new std::shared_ptr<const Engine>(std::move(engine_));
}

int FontFace::Advance(unsigned char c) const {
    return engine_->advances[c];
}

bool FontEngineReady(std::string* why) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || !app->inherits("QGuiApplication")) {
        if (why) *why = "text needs a QGuiApplication (Qt's font engine)";
        return false;
    }
    if (FontPath(Family::Sans, false).isEmpty() || FontPath(Family::Mono, false).isEmpty() ||
        FontPath(Family::Serif, false).isEmpty()) {
        if (why) *why = "the DejaVu fonts are missing (install the package fonts-dejavu-core)";
        return false;
    }
    return true;
}

std::shared_ptr<FontFace> FontFace::Realize(const LOGFONT& lf) {
    if (!FontEngineReady(nullptr)) return nullptr;
    char faceName[LF_FACESIZE + 1] = {};
    std::memcpy(faceName, lf.lfFaceName, LF_FACESIZE);
    FaceInfo info = FindFace(faceName, lf.lfPitchAndFamily);
    // Outline faces only: a bitmap face is replaced by the outline face of its family.
    if (lf.lfOutPrecision == OUT_TT_ONLY_PRECIS) info.trueType = true;
    const bool bold = lf.lfWeight >= FW_SEMIBOLD;
    const QString path = FontPath(info.family, bold);
    if (path.isEmpty()) return nullptr;

    const std::shared_ptr<const Engine> probe = EngineFor(path, 100, false);
    if (!probe) return nullptr;
    const double cellPer100 = probe->raw.ascent() + probe->raw.descent();
    double pixelSize;
    if (lf.lfHeight < 0)
        pixelSize = -static_cast<double>(lf.lfHeight);
    else
        pixelSize = (lf.lfHeight > 0 ? lf.lfHeight : 16) * 100.0 / cellPer100;
    pixelSize = std::clamp(pixelSize, 1.0, kMaxPixelSize);

    std::shared_ptr<FontFace> face(new FontFace());
    face->engine_ = EngineFor(path, pixelSize, info.oem);
    if (!face->engine_) return nullptr;
    const QRawFont& raw = face->engine_->raw;

    TEXTMETRIC& tm = face->metrics_;
    tm.tmAscent = static_cast<LONG>(std::lround(raw.ascent()));
    tm.tmDescent = static_cast<LONG>(std::lround(raw.descent()));
    // A cell height is kept exactly.
    if (lf.lfHeight > 0 && lf.lfHeight <= kMaxPixelSize)
        tm.tmDescent = std::max<LONG>(lf.lfHeight - tm.tmAscent, 0);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(tm.tmHeight - static_cast<LONG>(std::lround(pixelSize)), 0);
    tm.tmExternalLeading = static_cast<LONG>(std::lround(raw.leading()));
    tm.tmAveCharWidth = static_cast<LONG>(std::lround(raw.averageCharWidth()));
    tm.tmMaxCharWidth = static_cast<LONG>(std::ceil(raw.maxCharWidth()));
    tm.tmWeight = bold ? FW_BOLD : FW_NORMAL;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    const BYTE familyBits = info.family == Family::Mono    ? FF_MODERN
                            : info.family == Family::Serif ? FF_ROMAN
                                                           : FF_SWISS;
    tm.tmPitchAndFamily =
        static_cast<BYTE>(familyBits | (info.family == Family::Mono ? 0 : TMPF_FIXED_PITCH) |
                          (info.trueType ? TMPF_TRUETYPE | TMPF_VECTOR : 0));
    tm.tmCharSet = info.oem ? OEM_CHARSET : ANSI_CHARSET;

    face->escapement_ = info.trueType ? ((lf.lfEscapement % 3600) + 3600) % 3600 : 0;
    face->lineThickness_ = std::max(1, static_cast<int>(std::lround(raw.lineThickness())));
    face->underlineRow_ = std::clamp(static_cast<int>(std::lround(raw.underlinePosition())), 1,
                                     std::max<int>(1, tm.tmDescent - face->lineThickness_));
    face->strikeRow_ = -std::max(1, static_cast<int>(std::lround(raw.xHeight() / 2)));
    face->italic_ = lf.lfItalic != 0;
    return face;
}

TextMask FontFace::Render(const std::string& text, const std::vector<int>& positions, int runWidth,
                          const std::vector<bool>* underlined) const {
    const TEXTMETRIC& tm = metrics_;
    const int margin = tm.tmHeight + 2;
    const int slant = italic_ ? static_cast<int>(std::ceil(tm.tmAscent * kItalicSlant)) : 0;
    TextMask m;
    m.width = std::max(runWidth, 0) + 2 * margin + slant;
    m.height = tm.tmHeight + 2 * margin;
    m.originX = margin;
    m.originY = margin + tm.tmAscent;
    if (static_cast<long long>(m.width) * m.height > kMaxMaskPixels) {
        m.width = m.height = 0;
        return m;
    }
    m.bits.assign(static_cast<std::size_t>(m.width) * static_cast<std::size_t>(m.height), 0);

    if (!text.empty()) {
        QImage img(m.width, m.height, QImage::Format_ARGB32_Premultiplied);
        if (img.isNull()) return m;
        img.fill(0);
        QList<quint32> glyphs;
        QList<QPointF> points;
        for (std::size_t i = 0; i < text.size(); ++i) {
            glyphs.append(engine_->glyphs[static_cast<unsigned char>(text[i])]);
            points.append(QPointF(positions[i], 0));
        }
        QGlyphRun run;
        run.setRawFont(engine_->raw);
        run.setGlyphIndexes(glyphs);
        run.setPositions(points);
        {
            QPainter painter(&img);
            painter.setRenderHint(QPainter::TextAntialiasing, false);
            painter.setPen(Qt::white);
            painter.drawGlyphRun(QPointF(m.originX, m.originY), run);
        }
        // Coverage of at least one half turns a pixel on: crisp glyphs that repeat exactly.
        for (int y = 0; y < m.height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            const int shift = italic_ ? static_cast<int>(std::floor((m.originY - y) * kItalicSlant)) : 0;
            for (int x = 0; x < m.width; ++x)
                if (qAlpha(line[x]) >= 128) m.Set(x + shift, y);
        }
    }
    auto hline = [&m](int x0, int x1, int row, int thickness) {
        for (int t = 0; t < thickness; ++t)
            for (int x = x0; x < x1; ++x) m.Set(m.originX + x, m.originY + row + t);
    };
    if (tm.tmUnderlined) hline(0, runWidth, underlineRow_, lineThickness_);
    if (tm.tmStruckOut) hline(0, runWidth, strikeRow_, lineThickness_);
    if (underlined)
        for (std::size_t i = 0; i < text.size() && i < underlined->size(); ++i)
            if ((*underlined)[i])
                hline(positions[i], positions[i] + Advance(static_cast<unsigned char>(text[i])),
                      underlineRow_, 1);
    return m;
}

std::vector<OutlineStep> FontFace::Outline(const std::string& text, const std::vector<int>& positions,
                                           int runWidth, const std::vector<bool>* underlined) const {
    std::vector<OutlineStep> out;
    // Italic slants as Render draws it: right by a fifth of the height above the baseline.
    const double slant = italic_ ? kItalicSlant : 0;
    auto step = [&](OutlineStep::Kind kind, std::initializer_list<QPointF> points) {
        OutlineStep s;
        s.kind = kind;
        int i = 0;
        for (const QPointF& p : points) {
            s.x[i] = p.x() - p.y() * slant;
            s.y[i] = p.y();
            ++i;
        }
        out.push_back(s);
    };
    for (std::size_t i = 0; i < text.size() && i < positions.size(); ++i) {
        const QPainterPath path = engine_->raw.pathForGlyph(engine_->glyphs[static_cast<unsigned char>(text[i])]);
        const double dx = positions[i];
        for (int e = 0; e < path.elementCount(); ++e) {
            const QPainterPath::Element el = path.elementAt(e);
            if (el.isMoveTo()) {
                step(OutlineStep::Move, {QPointF(el.x + dx, el.y)});
            } else if (el.isLineTo()) {
                step(OutlineStep::Line, {QPointF(el.x + dx, el.y)});
            } else if (el.isCurveTo() && e + 2 < path.elementCount()) {
                const QPainterPath::Element c2 = path.elementAt(e + 1), end = path.elementAt(e + 2);
                step(OutlineStep::Cubic, {QPointF(el.x + dx, el.y), QPointF(c2.x + dx, c2.y), QPointF(end.x + dx, end.y)});
                e += 2;
            }
        }
    }
    auto box = [&](int x0, int x1, int row, int thickness) {
        if (x1 <= x0) return;
        const double top = row, bottom = row + thickness;
        step(OutlineStep::Move, {QPointF(x0, top)});
        step(OutlineStep::Line, {QPointF(x1, top)});
        step(OutlineStep::Line, {QPointF(x1, bottom)});
        step(OutlineStep::Line, {QPointF(x0, bottom)});
    };
    if (metrics_.tmUnderlined) box(0, runWidth, underlineRow_, lineThickness_);
    if (metrics_.tmStruckOut) box(0, runWidth, strikeRow_, lineThickness_);
    if (underlined)
        for (std::size_t i = 0; i < text.size() && i < underlined->size() && i < positions.size(); ++i)
            if ((*underlined)[i])
                box(positions[i], positions[i] + Advance(static_cast<unsigned char>(text[i])), underlineRow_, 1);
    return out;
}

} // namespace gdi

char16_t GdiFaceChar(const std::string& face, unsigned char byte) {
    return gdi::CharOf(byte, gdi::FindFace(face, 0).oem);
}

std::string GdiSubstituteFace(const std::string& face) {
    return gdi::FamilyName(gdi::FindFace(face, 0).family);
}

bool GdiTextAvailable(std::string* why) {
    return gdi::FontEngineReady(why);
}
