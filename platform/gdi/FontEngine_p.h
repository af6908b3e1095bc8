// Realised fonts: the DejaVu face and pixel size a LOGFONT maps to, its metrics, and the glyph
// masks of text runs rendered through Qt's font engine.
#pragma once

#include "platform/gdi/Text.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace gdi {

// One bit per pixel (a byte each) of a text run in text space: x along the baseline, y downwards,
// the run's origin (left end of the baseline) at (originX, originY) of the mask.
struct TextMask {
    int width = 0;
    int height = 0;
    int originX = 0;
    int originY = 0;
    std::vector<std::uint8_t> bits;

    bool At(int x, int y) const {
        return x >= 0 && y >= 0 && x < width && y < height &&
               bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)] != 0;
    }
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            bits[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                 static_cast<std::size_t>(x)] = 1;
    }
};

// One step of a glyph outline in text space: a new figure, a straight piece, or a cubic curve
// through two control points (x[0], y[0]), (x[1], y[1]) to (x[2], y[2]).
struct OutlineStep {
    enum Kind : std::uint8_t { Move, Line, Cubic } kind = Move;
    double x[3] = {};
    double y[3] = {};
};

class FontFace {
public:
    // Null when the font engine or the DejaVu files are missing.
    static std::shared_ptr<FontFace> Realize(const LOGFONT& lf);

    const TEXTMETRIC& Metrics() const { return metrics_; }
    // Advance of one byte of Windows-1252 text, character extra not included.
    int Advance(unsigned char c) const;
    // Tenths of a degree; 0 for faces that cannot rotate.
    int Escapement() const { return escapement_; }
    int UnderlineRow() const { return underlineRow_; }
    int StrikeRow() const { return strikeRow_; }
    int LineThickness() const { return lineThickness_; }

    // Renders text with its glyphs placed at `positions` (x of each character's origin relative to
    // the run's origin). Underline and strike-out lines of the font are included; `underlined`
    // (optional, one flag per character) adds the prefix underline below single characters.
    TextMask Render(const std::string& text, const std::vector<int>& positions, int runWidth,
                    const std::vector<bool>* underlined) const;

    // The same run as outlines: every glyph's figures, and the lines Render adds as rectangles.
    // Each figure starts with a Move and is closed by whoever draws it.
    std::vector<OutlineStep> Outline(const std::string& text, const std::vector<int>& positions, int runWidth,
                                     const std::vector<bool>* underlined) const;

    ~FontFace();
    struct Engine;

private:
    FontFace() = default;
    std::shared_ptr<const Engine> engine_;
    TEXTMETRIC metrics_{};
    int escapement_ = 0;
    int underlineRow_ = 1;
    int strikeRow_ = -3;
    int lineThickness_ = 1;
    bool italic_ = false;
};

// Whether glyphs can be drawn; *why names what is missing.
bool FontEngineReady(std::string* why);

} // namespace gdi
