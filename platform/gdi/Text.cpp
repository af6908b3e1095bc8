#include "platform/gdi/Text.h"

#include "platform/gdi/FontEngine_p.h"
#include "platform/gdi/Raster_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace gdi;

namespace {

FontFace* FaceOf(DeviceContext& dc) {
    FontObject& font = *dc.st.font;
    if (!font.face) font.face = FontFace::Realize(font.lf);
    return font.face.get();
}

std::string TextOf(const char* text, int count) {
    if (!text) return std::string();
    if (count < 0) return std::string(text);
    return std::string(text, static_cast<std::size_t>(count));
}

// Characters with their origins along the baseline, relative to the run's start.
struct Run {
    std::string text;
    std::vector<int> pos;
    std::vector<bool> underline;
    int width = 0;

    void Add(const FontFace& face, char c, int extra, bool underlined = false) {
        text.push_back(c);
        pos.push_back(width);
        underline.push_back(underlined);
        width += face.Advance(static_cast<unsigned char>(c)) + extra;
    }
};

Run PlainRun(const FontFace& face, const std::string& text, int extra) {
    Run r;
    for (char c : text) r.Add(face, c, extra);
    return r;
}

struct Rotation {
    double c = 1;
    double s = 0;

    explicit Rotation(int tenths) {
        switch (tenths) {
        case 0:
            break;
        case 900:
            c = 0;
            s = 1;
            break;
        case 1800:
            c = -1;
            s = 0;
            break;
        case 2700:
            c = 0;
            s = -1;
            break;
        default: {
            const double a = tenths * 3.14159265358979323846 / 1800.0;
            c = std::cos(a);
            s = std::sin(a);
        }
        }
    }
    // Text space (x along the baseline, y downwards) to device offsets.
    void Forward(double u, double v, double& dx, double& dy) const {
        dx = u * c + v * s;
        dy = -u * s + v * c;
    }
    void Inverse(double dx, double dy, double& u, double& v) const {
        u = dx * c - dy * s;
        v = dx * s + dy * c;
    }
};

// Records the run's outlines into the DC's open path, placed as DrawRun would draw the run.
void AddRunToPath(DeviceContext& dc, const FontFace& face, const Run& run, POINT ref, int anchorX, int anchorY,
                  bool glyphs) {
    const Rotation rot(face.Escapement());
    auto device = [&](double u, double v) {
        double dx, dy;
        rot.Forward(u - anchorX, v - anchorY, dx, dy);
        return PointF{ref.x + dx, ref.y + dy};
    };
    auto pixel = [](PointF p) {
        return POINT{static_cast<LONG>(std::lround(p.x)), static_cast<LONG>(std::lround(p.y))};
    };
    std::vector<OutlineStep> steps;
    if (glyphs) {
        steps = face.Outline(run.text, run.pos, run.width, &run.underline);
    } else {
        // Only the prefix underlines.
        for (std::size_t i = 0; i < run.text.size(); ++i) {
            if (!run.underline[i]) continue;
            const double x0 = run.pos[i], x1 = run.pos[i] + face.Advance(static_cast<unsigned char>(run.text[i]));
            const double top = face.UnderlineRow(), bottom = top + 1;
            const double xs[4] = {x0, x1, x1, x0}, ys[4] = {top, top, bottom, bottom};
            for (int k = 0; k < 4; ++k) {
                OutlineStep s;
                s.kind = k == 0 ? OutlineStep::Move : OutlineStep::Line;
                s.x[0] = xs[k];
                s.y[0] = ys[k];
                steps.push_back(s);
            }
        }
    }
    std::vector<POINT> figure;
    PointF last{};
    auto close = [&] {
        if (figure.size() >= 2) {
            if (figure.front().x != figure.back().x || figure.front().y != figure.back().y)
                figure.push_back(figure.front());
            dc.path.push_back(std::move(figure));
        }
        figure.clear();
    };
    for (const OutlineStep& s : steps) {
        switch (s.kind) {
        case OutlineStep::Move:
            close();
            last = device(s.x[0], s.y[0]);
            figure.push_back(pixel(last));
            break;
        case OutlineStep::Line: {
            last = device(s.x[0], s.y[0]);
            const POINT p = pixel(last);
            if (figure.empty() || p.x != figure.back().x || p.y != figure.back().y) figure.push_back(p);
            break;
        }
        case OutlineStep::Cubic: {
            const PointF curve[4] = {last, device(s.x[0], s.y[0]), device(s.x[1], s.y[1]), device(s.x[2], s.y[2])};
            if (figure.empty()) figure.push_back(pixel(last));
            FlattenBezier(curve, figure);
            last = curve[3];
            break;
        }
        }
    }
    close();
}

// Draws a run with the text-space point (anchorX, anchorY) at the device point ref: the cell
// background when opaque, then the glyphs in the text colour. Text ignores the mix mode. Inside
// an open path the run's outlines go into the path instead.
void DrawRun(DeviceContext& dc, const FontFace& face, const Run& run, POINT ref, int anchorX, int anchorY,
             bool opaque, const Region* clipTo, bool glyphs = true) {
    if (dc.pathState == DeviceContext::PathState::Open) {
        AddRunToPath(dc, face, run, ref, anchorX, anchorY, glyphs);
        return;
    }
    const Region clip = clipTo ? Region::Combine(dc.Clip(), *clipTo, Region::Op::And) : dc.Clip();
    if (clip.Empty()) return;
    const Rotation rot(face.Escapement());
    const TEXTMETRIC& tm = face.Metrics();
    Surface& s = dc.Target();
    if (opaque) {
        const double corners[4][2] = {{0.0, -static_cast<double>(tm.tmAscent)},
                                      {static_cast<double>(run.width), -static_cast<double>(tm.tmAscent)},
                                      {static_cast<double>(run.width), static_cast<double>(tm.tmDescent)},
                                      {0.0, static_cast<double>(tm.tmDescent)}};
        POINT poly[4];
        for (int i = 0; i < 4; ++i) {
            double dx, dy;
            rot.Forward(corners[i][0] - anchorX, corners[i][1] - anchorY, dx, dy);
            poly[i] =
                POINT{static_cast<LONG>(std::lround(ref.x + dx)), static_cast<LONG>(std::lround(ref.y + dy))};
        }
        const int four = 4;
        const RECT box = clip.Box();
        const Region cell = Region::Polygon(poly, &four, 1, ALTERNATE, box.top, box.bottom);
        const Region painted = Region::Combine(cell, clip, Region::Op::And);
        const std::uint32_t bk = s.ToDevice(dc.st.bkColor);
        for (const Band& band : painted.Bands())
            for (int y = band.top; y < band.bottom; ++y)
                for (std::size_t i = 0; i < band.xs.size(); i += 2)
                    for (int x = band.xs[i]; x < band.xs[i + 1]; ++x) s.Set(x, y, bk);
    }
    if (!glyphs && std::none_of(run.underline.begin(), run.underline.end(), [](bool b) { return b; })) return;
    TextMask mask;
    if (glyphs) {
        mask = face.Render(run.text, run.pos, run.width, &run.underline);
    } else {
        mask = face.Render(std::string(), {}, run.width, nullptr);
        for (std::size_t i = 0; i < run.text.size(); ++i)
            if (run.underline[i])
                for (int x = run.pos[i];
                     x < run.pos[i] + face.Advance(static_cast<unsigned char>(run.text[i])); ++x)
                    mask.Set(mask.originX + x, mask.originY + face.UnderlineRow());
    }
    if (mask.width == 0) return;
    // The device box the rotated mask can reach.
    double minX = 1e18, minY = 1e18, maxX = -1e18, maxY = -1e18;
    const double mx[2] = {-mask.originX - 1.0 - anchorX, mask.width - mask.originX + 1.0 - anchorX};
    const double my[2] = {-mask.originY - 1.0 - anchorY, mask.height - mask.originY + 1.0 - anchorY};
    for (double u : mx)
        for (double v : my) {
            double dx, dy;
            rot.Forward(u, v, dx, dy);
            minX = std::min(minX, ref.x + dx);
            maxX = std::max(maxX, ref.x + dx);
            minY = std::min(minY, ref.y + dy);
            maxY = std::max(maxY, ref.y + dy);
        }
    const RECT cb = clip.Box();
    const int x0 = std::max<int>(cb.left, static_cast<int>(std::floor(minX)));
    const int x1 = std::min<int>(cb.right, static_cast<int>(std::ceil(maxX)));
    const int y0 = std::max<int>(cb.top, static_cast<int>(std::floor(minY)));
    const int y1 = std::min<int>(cb.bottom, static_cast<int>(std::ceil(maxY)));
    const std::uint32_t ink = s.ToDevice(dc.st.textColor);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            double u, v;
            rot.Inverse(x + 0.5 - ref.x, y + 0.5 - ref.y, u, v);
            const int mxi = static_cast<int>(std::floor(u + anchorX + mask.originX));
            const int myi = static_cast<int>(std::floor(v + anchorY + mask.originY));
            if (mask.At(mxi, myi) && clip.Contains(x, y)) s.Set(x, y, ink);
        }
}

void Anchor(const FontFace& face, UINT align, int width, int& ax, int& ay) {
    const TEXTMETRIC& tm = face.Metrics();
    if ((align & TA_CENTER) == TA_CENTER)
        ax = width / 2;
    else if (align & TA_RIGHT)
        ax = width;
    else
        ax = 0;
    if ((align & TA_BASELINE) == TA_BASELINE)
        ay = 0;
    else if (align & TA_BOTTOM)
        ay = tm.tmDescent;
    else
        ay = -tm.tmAscent;
}

BOOL TextOutRun(DeviceContext& dc, int x, int y, UINT options, const RECT* rect, const Run& run,
                FontFace& face) {
    if (rect && (options & ETO_OPAQUE) && dc.pathState != DeviceContext::PathState::Open) {
        Surface& s = dc.Target();
        FillDeviceRect(dc, dc.ToDevice(*rect), SolidFill(s, dc.st.bkColor), 0xF0);
    }
    const UINT align = dc.st.textAlign;
    const bool updateCp = (align & TA_UPDATECP) != 0;
    const POINT logical = updateCp ? dc.st.pos : POINT{x, y};
    int ax = 0, ay = 0;
    Anchor(face, align, run.width, ax, ay);
    std::optional<Region> clipRect;
    if (rect && (options & ETO_CLIPPED)) clipRect = Region::FromRect(dc.ToDevice(*rect));
    DrawRun(dc, face, run, dc.ToDevice(logical.x, logical.y), ax, ay, dc.st.bkMode == OPAQUE,
            clipRect ? &*clipRect : nullptr);
    if (updateCp) {
        const Rotation rot(face.Escapement());
        double dx, dy;
        const int along = (align & TA_CENTER) == TA_CENTER ? 0 : (align & TA_RIGHT) ? -run.width : run.width;
        rot.Forward(along, 0, dx, dy);
        dc.st.pos.x += static_cast<LONG>(std::lround(dx));
        dc.st.pos.y += static_cast<LONG>(std::lround(dy));
    }
    return TRUE;
}

// DrawText's lines: prefixes resolved, tabs expanded, wrapped and cut with an ellipsis as asked.
struct Line {
    Run run;
};

struct Layout {
    std::vector<Line> lines;
    int width = 0;
};

Run BuildRun(const FontFace& face, const std::string& text, UINT format, int extra, int tabWidth) {
    Run r;
    const bool prefixes = !(format & DT_NOPREFIX);
    const bool showUnderline = !(format & DT_HIDEPREFIX);
    bool nextUnderlined = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (prefixes && c == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                r.Add(face, '&', extra);
                ++i;
            } else {
                nextUnderlined = showUnderline; // a lone trailing '&' vanishes
            }
            continue;
        }
        if (c == '\t' && (format & DT_EXPANDTABS) && tabWidth > 0) {
            r.width = (r.width / tabWidth + 1) * tabWidth;
            nextUnderlined = false;
            continue;
        }
        r.Add(face, c, extra, nextUnderlined);
        nextUnderlined = false;
    }
    return r;
}

Run Slice(const Run& r, std::size_t from, std::size_t to) {
    Run out;
    if (from >= to) return out;
    const int base = r.pos[from];
    for (std::size_t i = from; i < to; ++i) {
        out.text.push_back(r.text[i]);
        out.pos.push_back(r.pos[i] - base);
        out.underline.push_back(r.underline[i]);
    }
    const int end = (to < r.text.size()) ? r.pos[to] : r.width;
    out.width = end - base;
    return out;
}

// Width of the characters [from, to) without trailing blanks.
int InkWidth(const Run& r, const FontFace& face, int extra, std::size_t from, std::size_t to) {
    while (to > from && r.text[to - 1] == ' ') --to;
    if (to <= from) return 0;
    return r.pos[to - 1] + face.Advance(static_cast<unsigned char>(r.text[to - 1])) + extra - r.pos[from];
}

// Breaks at blanks; a word wider than maxWidth keeps a line of its own, or with breakWords is
// broken between characters (at least one a line).
std::vector<Run> Wrap(const Run& r, const FontFace& face, int extra, int maxWidth, bool breakWords) {
    std::vector<Run> out;
    const std::size_t n = r.text.size();
    std::size_t start = 0;
    while (start < n) {
        std::size_t i = start, lastFit = start;
        bool anyWord = false;
        while (i < n) {
            std::size_t wordEnd = i;
            while (wordEnd < n && r.text[wordEnd] == ' ') ++wordEnd;
            while (wordEnd < n && r.text[wordEnd] != ' ') ++wordEnd;
            if (anyWord && InkWidth(r, face, extra, start, wordEnd) > maxWidth) break;
            if (!anyWord && breakWords && InkWidth(r, face, extra, start, wordEnd) > maxWidth) {
                std::size_t cut = start + 1;
                while (cut < wordEnd && InkWidth(r, face, extra, start, cut + 1) <= maxWidth) ++cut;
                lastFit = cut;
                break;
            }
            anyWord = true;
            lastFit = wordEnd;
            i = wordEnd;
        }
        out.push_back(Slice(r, start, lastFit));
        Run& line = out.back();
        // Blanks at a break vanish; those ending the paragraph are measured.
        if (lastFit < n) {
            while (!line.text.empty() && line.text.back() == ' ') {
                line.text.pop_back();
                line.pos.pop_back();
                line.underline.pop_back();
            }
            line.width = line.text.empty() ? 0 : InkWidth(line, face, extra, 0, line.text.size());
        }
        start = lastFit;
        while (start < n && r.text[start] == ' ') ++start;
    }
    return out;
}

void Ellipsize(Run& r, const FontFace& face, int extra, int maxWidth) {
    if (r.width <= maxWidth) return;
    const int dots = 3 * (face.Advance('.') + extra);
    std::size_t keep = r.text.size();
    while (keep > 0 &&
           r.pos[keep - 1] + face.Advance(static_cast<unsigned char>(r.text[keep - 1])) + extra + dots >
               maxWidth)
        --keep;
    Run cut = Slice(r, 0, keep);
    cut.width =
        keep == 0 ? 0 : r.pos[keep - 1] + face.Advance(static_cast<unsigned char>(r.text[keep - 1])) + extra;
    for (int i = 0; i < 3; ++i) cut.Add(face, '.', extra);
    r = std::move(cut);
}

// Appends piece to out, keeping the piece's own spacing.
void Append(Run& out, const Run& piece) {
    for (std::size_t i = 0; i < piece.text.size(); ++i) {
        out.text.push_back(piece.text[i]);
        out.pos.push_back(out.width + piece.pos[i]);
        out.underline.push_back(piece.underline[i]);
    }
    out.width += piece.width;
}

// A line too wide loses characters from the end of its folders: "c:\pro...\file.txt". The last
// separator ('\\' or '/') and what follows are kept as far as they fit; without a separator the
// line is cut at its end.
void PathEllipsize(Run& r, const FontFace& face, int extra, int maxWidth) {
    if (r.width <= maxWidth) return;
    const std::size_t sep = r.text.find_last_of("\\/");
    if (sep == std::string::npos) {
        Ellipsize(r, face, extra, maxWidth);
        return;
    }
    Run dots;
    for (int i = 0; i < 3; ++i) dots.Add(face, '.', extra);
    Run tail = Slice(r, sep, r.text.size());
    std::size_t keep = sep;
    while (keep > 0 && Slice(r, 0, keep).width + dots.width + tail.width > maxWidth) --keep;
    Run out = Slice(r, 0, keep);
    Append(out, dots);
    if (out.width + tail.width > maxWidth) {
        // Not even the last part fits: it is cut at its end, and clipping takes the rest.
        std::size_t n = tail.text.size();
        while (n > 1 && out.width + Slice(tail, 0, n).width > maxWidth) --n;
        tail = Slice(tail, 0, n);
    }
    Append(out, tail);
    r = std::move(out);
}

} // namespace

HFONT CreateFontIndirect(const LOGFONT* lf) {
    if (!lf) return nullptr;
    auto font = std::make_shared<FontObject>();
    font->lf = *lf;
    font->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    return static_cast<HFONT>(Register(font));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* face) {
    LOGFONT lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

BOOL TextOut(HDC handle, int x, int y, const char* text, int count) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || (!text && count != 0)) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (!face) return FALSE;
    return TextOutRun(*dc, x, y, 0, nullptr, PlainRun(*face, TextOf(text, count), dc->st.charExtra), *face);
}

BOOL ExtTextOut(HDC handle, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                const int* dx) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || (!text && count != 0) || count > INT_MAX) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (!face) return FALSE;
    const std::string s = TextOf(text, static_cast<int>(count));
    Run run;
    if (dx) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            run.text.push_back(s[i]);
            run.pos.push_back(run.width);
            run.underline.push_back(false);
            run.width += dx[i];
        }
    } else {
        run = PlainRun(*face, s, dc->st.charExtra);
    }
    return TextOutRun(*dc, x, y, options, rect, run, *face);
}

BOOL GetTextExtentPoint32(HDC handle, const char* text, int count, SIZE* size) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !size || (!text && count != 0)) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (!face) return FALSE;
    const Run run = PlainRun(*face, TextOf(text, count), dc->st.charExtra);
    size->cx = run.width;
    size->cy = face->Metrics().tmHeight;
    return TRUE;
}

namespace {

// The text laid out with its tabs expanded; lead is how far the text starts right of the tab origin.
Run TabbedRun(const FontFace& face, const std::string& text, int extra, int nTabs, const int* tabs, int lead) {
    auto magnitude = [](int v) { return v < 0 ? -static_cast<long long>(v) : static_cast<long long>(v); };
    long long interval = 8 * std::max<long long>(face.Metrics().tmAveCharWidth, 1);
    if (tabs && nTabs == 1 && tabs[0] != 0) interval = magnitude(tabs[0]);
    const bool list = tabs && nTabs > 1;
    auto nextStop = [&](long long at) {
        if (list) {
            for (int i = 0; i < nTabs; ++i)
                if (magnitude(tabs[i]) > at) return magnitude(tabs[i]);
        }
        // The next multiple of the interval, also left of the origin.
        const long long q = at >= 0 ? at / interval : -((-at + interval - 1) / interval);
        return (q + 1) * interval;
    };
    Run r;
    for (char c : text) {
        if (c == '\t') {
            const long long to = nextStop(static_cast<long long>(lead) + r.width) - lead;
            r.width = static_cast<int>(std::min<long long>(to, INT_MAX / 2));
            continue;
        }
        r.Add(face, c, extra);
    }
    return r;
}

DWORD PackSize(int width, int height) {
    return static_cast<DWORD>(static_cast<WORD>(width)) | (static_cast<DWORD>(static_cast<WORD>(height)) << 16);
}

} // namespace

LONG TabbedTextOutA(HDC handle, int x, int y, const char* text, int count, int nTabPositions,
                    const int* tabStopPositions, int nTabOrigin) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || (!text && count != 0) || nTabPositions < 0) return 0;
    FontFace* face = FaceOf(*dc);
    if (!face) return 0;
    const bool updateCp = (dc->st.textAlign & TA_UPDATECP) != 0;
    const int start = updateCp ? dc->st.pos.x : x;
    const Run run = TabbedRun(*face, TextOf(text, count), dc->st.charExtra, nTabPositions, tabStopPositions,
                              start - nTabOrigin);
    TextOutRun(*dc, x, y, 0, nullptr, run, *face);
    return static_cast<LONG>(PackSize(run.width, face->Metrics().tmHeight));
}

BOOL GetTabbedTextExtentPoint(HDC handle, const char* text, int count, int nTabPositions,
                              const int* tabStopPositions, SIZE* size) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !size || (!text && count != 0) || nTabPositions < 0) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (!face) return FALSE;
    const Run run = TabbedRun(*face, TextOf(text, count), dc->st.charExtra, nTabPositions, tabStopPositions, 0);
    size->cx = run.width;
    size->cy = face->Metrics().tmHeight;
    return TRUE;
}

DWORD GetTabbedTextExtentA(HDC dc, const char* text, int count, int nTabPositions, const int* tabStopPositions) {
    SIZE size;
    if (!GetTabbedTextExtentPoint(dc, text, count, nTabPositions, tabStopPositions, &size)) return 0;
    return PackSize(size.cx, size.cy);
}

BOOL GetTextMetrics(HDC handle, TEXTMETRIC* metrics) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !metrics) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (!face) return FALSE;
    *metrics = face->Metrics();
    return TRUE;
}

int GetTextFace(HDC handle, int size, char* face) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return 0;
    const char* name = dc->st.font->lf.lfFaceName;
    const int length = static_cast<int>(strnlen(name, LF_FACESIZE));
    if (!face) return length + 1;
    if (size <= 0) return 0;
    const int n = std::min(length, size - 1);
    std::memcpy(face, name, static_cast<std::size_t>(n));
    face[n] = '\0';
    return n;
}

int DrawText(HDC dc, const char* text, int count, RECT* rect, UINT format) {
    return DrawTextEx(dc, text, count, rect, format, nullptr);
}

int DrawTextEx(HDC handle, const char* text, int count, RECT* rect, UINT format, DRAWTEXTPARAMS* params) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc || !rect || (!text && count != 0)) return 0;
    FontFace* face = FaceOf(*dc);
    if (!face) return 0;
    const TEXTMETRIC& tm = face->Metrics();
    const int extra = dc->st.charExtra;

    int tabChars = 8;
    if (format & DT_TABSTOP) {
        tabChars = static_cast<int>((format >> 8) & 0xFF);
        format &= ~0xFF00u; // the tab length shares these bits with other flags
    }
    if (params && params->iTabLength > 0) tabChars = params->iTabLength;
    const int tabWidth = tabChars * std::max<int>(tm.tmAveCharWidth, 1);
    const int leftMargin = params ? params->iLeftMargin : 0, rightMargin = params ? params->iRightMargin : 0;
    const int left = rect->left + leftMargin, right = rect->right - rightMargin;
    const int avail = right - left;

    // Lines: breaks at CR, LF and CR LF unless single-line.
    const std::string s = TextOf(text, count);
    std::vector<std::string> paragraphs;
    if (format & DT_SINGLELINE) {
        paragraphs.push_back(s);
    } else if (!s.empty()) {
        std::string current;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\r' || s[i] == '\n') {
                if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
                paragraphs.push_back(current);
                current.clear();
            } else {
                current.push_back(s[i]);
            }
        }
        paragraphs.push_back(current);
    }
    std::vector<Run> lines;
    for (const std::string& p : paragraphs) {
        Run run = BuildRun(*face, p, format, extra, tabWidth);
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
            std::vector<Run> wrapped = Wrap(run, *face, extra, avail, (format & DT_EDITCONTROL) != 0);
            if (wrapped.empty()) wrapped.emplace_back();
            for (Run& w : wrapped) lines.push_back(std::move(w));
        } else {
            lines.push_back(std::move(run));
        }
    }
    if (s.empty()) lines.clear();
    if (format & DT_PATH_ELLIPSIS)
        for (Run& line : lines) PathEllipsize(line, *face, extra, avail);
    else if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS))
        for (Run& line : lines) Ellipsize(line, *face, extra, avail);

    const int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    const int total = lineHeight * static_cast<int>(lines.size());
    int maxWidth = 0;
    for (const Run& line : lines) maxWidth = std::max(maxWidth, line.width);
    if (params) params->uiLengthDrawn = static_cast<UINT>(s.size());

    int top = rect->top;
    const bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER))
        top = rect->top + (rect->bottom - rect->top - total) / 2;
    else if (single && (format & DT_BOTTOM))
        top = rect->bottom - total;

    if (format & DT_CALCRECT) {
        rect->right = rect->left + leftMargin + maxWidth + rightMargin;
        rect->bottom = rect->top + total;
        return total;
    }

    std::optional<Region> clipRect;
    if (!(format & DT_NOCLIP)) clipRect = Region::FromRect(dc->ToDevice(*rect));
    const bool prefixOnly = (format & DT_PREFIXONLY) != 0;
    int y = top;
    for (const Run& line : lines) {
        // As an edit control shows text: a line cut off at the bottom is left out (the first one
        // is always drawn).
        if ((format & DT_EDITCONTROL) && y > top && y + lineHeight > rect->bottom) break;
        int x = left;
        if (format & DT_CENTER)
            x = left + (avail - line.width) / 2;
        else if (format & DT_RIGHT)
            x = right - line.width;
        DrawRun(*dc, *face, line, dc->ToDevice(x, y), 0, -tm.tmAscent, dc->st.bkMode == OPAQUE && !prefixOnly,
                clipRect ? &*clipRect : nullptr, !prefixOnly);
        y += lineHeight;
    }
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top + total - rect->top;
    return total;
}
