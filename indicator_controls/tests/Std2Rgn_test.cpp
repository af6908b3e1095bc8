// Regions kept as region data: the stream and file format byte for byte, loading that keeps only
// well-formed data, assignment, regions built from bitmaps, and the geometry records.
#include "indicator_controls/Std2.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/WindowShape.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

inline bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

using Bytes = std::vector<std::uint8_t>;

void Le32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A block of region data: the header as given, then the rectangles.
Bytes Block(std::uint32_t dwSize, std::uint32_t iType, std::uint32_t nCount, const std::vector<RECT>& rects,
            RECT bound) {
    Bytes b;
    Le32(b, dwSize);
    Le32(b, iType);
    Le32(b, nCount);
    Le32(b, static_cast<std::uint32_t>(rects.size() * 16));
    for (LONG f : {bound.left, bound.top, bound.right, bound.bottom}) Le32(b, static_cast<std::uint32_t>(f));
    for (const RECT& r : rects)
        for (LONG f : {r.left, r.top, r.right, r.bottom}) Le32(b, static_cast<std::uint32_t>(f));
    return b;
}

// The stream form: the byte count, then the bytes.
Bytes Stored(const Bytes& block) {
    Bytes b;
    Le32(b, static_cast<std::uint32_t>(block.size()));
    b.insert(b.end(), block.begin(), block.end());
    return b;
}

Bytes Saved(const TvcRgn& rgn) {
    TMemoryStream s;
    rgn.SaveToStream(&s);
    const std::uint8_t* p = s.Memory();
    return Bytes(p, p + s.Size());
}

void Load(TvcRgn& rgn, const Bytes& bytes) {
    TMemoryStream s;
    if (!bytes.empty()) s.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    s.SetPosition(0);
    rgn.LoadFromStream(&s);
}

class Changes : public TObject {
public:
    void Changed(TObject*) { ++count; }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&Changes::Changed>(this); }
    int count = 0;
};

// Two rectangles one above the other, as the platform keeps them.
const Bytes kTwo = Block(32, 1, 2, {{0, 0, 10, 5}, {2, 5, 8, 9}}, {0, 0, 10, 9});

std::vector<RECT> Rects(const TvcRgn& rgn) {
    std::vector<RECT> out;
    const Bytes& d = rgn.Data();
    if (d.size() < 32) return out;
    const auto get = [&](std::size_t at) {
        return static_cast<LONG>(d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24);
    };
    const std::uint32_t n = static_cast<std::uint32_t>(get(8));
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::size_t at = 32 + 16 * i;
        out.push_back(RECT{get(at), get(at + 4), get(at + 8), get(at + 12)});
    }
    return out;
}

// A bitmap from rows of '#' (opaque, black) and '.' (transparent, white).
TBitmap* Picture(const std::vector<std::string>& rows) {
    auto* b = new TBitmap;
    b->SetPixelFormat(pf24bit);
    b->SetSize(static_cast<int>(rows.empty() ? 0 : rows[0].size()), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            SetPixel(b->Canvas()->Handle(), static_cast<int>(x), static_cast<int>(y),
                     rows[y][x] == '#' ? 0x000000 : 0xFFFFFF);
    return b;
}

} // namespace

TEST(TvcRgn, StreamFormatByteForByte) {
    TvcRgn rgn;
    Changes changes;
    rgn.OnChange = changes.Event();
    EXPECT_EQ(Saved(rgn), (Bytes{0, 0, 0, 0})) << "an empty region is four zero bytes";

    Load(rgn, Stored(kTwo));
    EXPECT_EQ(rgn.Size(), 64u);
    EXPECT_EQ(Saved(rgn), Stored(kTwo));
    HRGN h = rgn.Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(PtInRegion(h, 9, 4));
    EXPECT_FALSE(PtInRegion(h, 9, 5));
    DeleteObject(h);

    Load(rgn, Bytes{0, 0, 0, 0});
    EXPECT_FALSE(rgn.ExsistData()) << "four zero bytes empty a region that held data";
    EXPECT_EQ(rgn.Handle(), nullptr);
    EXPECT_EQ(changes.count, 2);
    EXPECT_TRUE(rgn.Modified());
}

TEST(TvcRgn, LoadingKeepsOnlyWellFormedData) {
    Bytes huge;
    Le32(huge, 0xFFFFFFF0u);
    Bytes cut = Stored(kTwo);
    cut.pop_back();
    Bytes countTooLarge = Stored(Block(32, 1, 5, {{0, 0, 1, 1}}, {0, 0, 1, 1}));
    struct Case {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"a count beyond the stream", huge},
        {"a block cut short", cut},
        {"fewer than four bytes", Bytes{8, 0}},
        {"a header size other than 32", Stored(Block(40, 1, 1, {{0, 0, 1, 1}}, {0, 0, 1, 1}))},
        {"a type other than rectangles", Stored(Block(32, 2, 1, {{0, 0, 1, 1}}, {0, 0, 1, 1}))},
        {"more rectangles than bytes", countTooLarge},
        {"right left of left", Stored(Block(32, 1, 1, {{5, 0, 1, 1}}, {0, 0, 5, 1}))},
        {"bottom above top", Stored(Block(32, 1, 1, {{0, 5, 1, 1}}, {0, 0, 1, 5}))},
        {"fewer bytes than a header", Stored(Bytes(20, 0))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TvcRgn rgn;
        Load(rgn, Stored(kTwo));
        Changes changes;
        rgn.OnChange = changes.Event();
        EXPECT_THROW(Load(rgn, c.bytes), EReadError);
        EXPECT_EQ(Saved(rgn), Stored(kTwo)) << "the region stays as it was";
        EXPECT_EQ(changes.count, 0);
    }
}

TEST(TvcRgn, AssignAndSet) {
    TvcRgn a, b;
    Changes changes;
    a.OnChange = changes.Event();
    b.SetRgn(kTwo.data(), static_cast<std::uint32_t>(kTwo.size()));
    EXPECT_FALSE(b.Modified()) << "SetRgn does not notify";
    a.Assign(&b);
    EXPECT_EQ(a.Data(), kTwo);
    a.Assign(&a);
    EXPECT_EQ(a.Data(), kTwo) << "assigning a region to itself keeps its bytes";
    a.Assign(nullptr);
    EXPECT_FALSE(a.ExsistData());
    EXPECT_EQ(changes.count, 3);
    TvcBmpOffset offset;
    EXPECT_THROW(a.Assign(&offset), EConvertError);
    a.SetModified(false);
    EXPECT_FALSE(a.Modified());
    a.SetModified(true);
    EXPECT_EQ(changes.count, 4);
}

TEST(TvcRgn, Files) {
    TempHome home;
    const std::string path = (std::filesystem::path(home.Path()) / "shape.rgn").string();
    TvcRgn rgn, back;
    rgn.SetRgn(kTwo.data(), static_cast<std::uint32_t>(kTwo.size()));
    rgn.SaveToFile(path);
    back.LoadFromFile(path);
    EXPECT_EQ(back.Data(), kTwo);
    EXPECT_THROW(back.LoadFromFile(path + ".missing"), Exception);
    EXPECT_THROW(rgn.SaveToFile((std::filesystem::path(home.Path()) / "no" / "such" / "dir.rgn").string()),
                 Exception);
    EXPECT_EQ(back.Data(), kTwo);
}

TEST(TvcRgn, FromBitmap) {
    struct Case {
        const char* what;
        std::vector<std::string> rows;
        std::vector<RECT> rects;
    } cases[] = {
        {"single pixels cover nothing", {"#.#"}, {}},
        {"all transparent", {"...", "..."}, {}},
        {"a run loses its leftmost pixel", {".###.", "#####"}, {{2, 0, 4, 1}, {1, 1, 5, 2}}},
        {"two runs in a row", {"##..###"}, {{1, 0, 2, 1}, {5, 0, 7, 1}}},
        {"equal rows join", {".##.", ".##."}, {{2, 0, 3, 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<TBitmap> picture(Picture(c.rows));
        TvcRgn rgn;
        Changes changes;
        rgn.OnChange = changes.Event();
        rgn.SerRgnFromBmp(picture.get(), 0xFFFFFF);
        EXPECT_EQ(changes.count, 1);
        ASSERT_TRUE(rgn.ExsistData()) << "an empty region is still region data";
        EXPECT_EQ(Rects(rgn), c.rects);
        HRGN h = rgn.Handle();
        ASSERT_NE(h, nullptr) << "the bytes make a region";
        RECT box{};
        GetRgnBox(h, &box);
        EXPECT_LE(box.bottom, static_cast<LONG>(c.rows.size())) << "nothing below the picture";
        DeleteObject(h);
    }
    // Other pixel formats read the same; a bitmap drawn transparently also lets its own colour through.
    std::unique_ptr<TBitmap> deep(Picture({".###.", "#####"}));
    deep->SetPixelFormat(pf32bit);
    SetPixel(deep->Canvas()->Handle(), 0, 1, 0x0000FF);
    TvcRgn fromDeep;
    fromDeep.SerRgnFromBmp(deep.get(), 0xFFFFFF);
    EXPECT_EQ(Rects(fromDeep), (std::vector<RECT>{{2, 0, 4, 1}, {1, 1, 5, 2}})) << "red is opaque";
    deep->SetTransparentColor(0x0000FF);
    deep->SetTransparent(true);
    fromDeep.SerRgnFromBmp(deep.get(), 0xFFFFFF);
    EXPECT_EQ(Rects(fromDeep), (std::vector<RECT>{{2, 0, 4, 1}, {2, 1, 5, 2}})) << "red shows the frame through";

    TvcRgn rgn;
    rgn.SetRgn(kTwo.data(), static_cast<std::uint32_t>(kTwo.size()));
    TBitmap empty;
    rgn.SerRgnFromBmp(&empty, 0xFFFFFF);
    EXPECT_FALSE(rgn.ExsistData()) << "an empty bitmap gives no region";
}

TEST(TvcGeometry, EveryChangeIsReported) {
    Changes changes;
    TvcBmpOffset offset;
    offset.OnChange = changes.Event();
    offset.SetLeft(3);
    offset.SetTop(3);
    TvcTextSize text;
    text.OnChange = changes.Event();
    text.SetLeft(1);
    text.SetTop(2);
    text.SetWidth(30);
    text.SetHeight(12);
    EXPECT_EQ(changes.count, 6);
    EXPECT_EQ(offset.Left() + offset.Top(), 6);
    EXPECT_EQ(text.Width() * text.Height(), 360);
}

namespace {

// Whether the window's region covers exactly what the stored region does.
bool WindowHasRegion(HWND wnd, const TvcRgn& region) {
    HRGN shown = CreateRectRgn(0, 0, 0, 0);
    const bool has = GetWindowRgn(wnd, shown) != ERROR;
    HRGN want = region.Handle();
    const bool same = has && want && EqualRgn(shown, want);
    DeleteObject(shown);
    if (want) DeleteObject(want);
    return same;
}

} // namespace

TEST(TvcFancyForm, ShapesItsFormOnceLoaded) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* fancy = new TvcFancyForm(form.get());
    form->BeginLoading();
    form->SetBorderStyle(bsSingle);
    form->SetBounds(50, 40, 300, 200);
    const int cw = form->ClientWidth(), ch = form->ClientHeight();
    std::unique_ptr<TBitmap> picture(Picture({"........", ".######.", ".######.", "..####..", "........"}));
    fancy->Region()->SerRgnFromBmp(picture.get(), 0xFFFFFF);
    TvcRgn shape;
    shape.Assign(fancy->Region());
    fancy->Clear();
    EXPECT_EQ(form->BorderStyle(), bsSingle) << "nothing happens before loading ends";
    form->EndLoading();

    EXPECT_EQ(form->BorderStyle(), bsNone) << "the border goes even with an empty region";
    EXPECT_EQ(form->Width(), cw);
    EXPECT_EQ(form->Height(), ch);

    fancy->SetRegion(&shape);
    EXPECT_TRUE(WindowHasRegion(form->Handle(), shape));
    EXPECT_EQ(form->Width(), 5) << "sized to the region's box (columns 2 to 6)";
    EXPECT_EQ(form->Height(), 3);
    EXPECT_EQ(form->Left(), 50);
}

TEST(TvcFancyControl, ShapesItsControlAndForgetsItWhenItGoes) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* fancy = new TvcFancyControl(form.get());
    auto* panel = new TWinControl(form.get());
    panel->SetParent(form.get());
    form->BeginLoading();
    panel->SetBounds(10, 10, 60, 40);
    fancy->SetControlComponent(panel);
    std::unique_ptr<TBitmap> picture(Picture({"#####", "#####", "....."}));
    fancy->Region()->SerRgnFromBmp(picture.get(), 0xFFFFFF);
    EXPECT_EQ(panel->Width(), 60) << "nothing happens before loading ends";
    form->EndLoading();
    EXPECT_EQ(panel->Width(), 4);
    EXPECT_EQ(panel->Height(), 2);
    EXPECT_TRUE(WindowHasRegion(panel->Handle(), *fancy->Region()));
    delete panel;
    EXPECT_EQ(fancy->ControlComponent(), nullptr);
    fancy->Clear(); // no control: nothing to shape
}

TEST(TvcFancyForm, RegionStreamsWithTheForm) {
    TvcFancyForm fancy(nullptr);
    fancy.Region()->SetRgn(kTwo.data(), static_cast<std::uint32_t>(kTwo.size()));
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&fancy);
    const std::string bytes = stream.DataString();
    // The property's name, the binary value's type, its length, then the stored region.
    Bytes property;
    Le32(property, 11);
    for (char c : std::string("Region.Data")) property.push_back(static_cast<std::uint8_t>(c));
    property.push_back(0x07);
    const Bytes payload = Stored(kTwo);
    Le32(property, static_cast<std::uint32_t>(payload.size()));
    property.insert(property.end(), payload.begin(), payload.end());
    EXPECT_NE(bytes.find(std::string(property.begin(), property.end())), std::string::npos);

    TvcFancyForm back(nullptr);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_EQ(back.Region()->Data(), kTwo);
}
