// The class library's image list: adding, masks by colour and by bitmap, drawing styles, the
// disabled look, and the change links.
#include "platform/ui/ImgList.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr TColor kYellowBack = clYellow;

// A 4 x 2 picture per image; clFuchsia marks the pixels meant to be transparent.
std::unique_ptr<TBitmap> Picture(const std::vector<std::vector<TColor>>& rows) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < b->Height(); ++y)
        for (int x = 0; x < b->Width(); ++x) b->Canvas()->SetPixels(x, y, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    return b;
}

const std::vector<std::vector<TColor>> kRows = {
    {clRed, clGreen, clBlue, clFuchsia},
    {clWhite, clBlack, clFuchsia, clNavy},
};

std::unique_ptr<TBitmap> Backdrop() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(7, 5);
    b->Canvas()->Brush()->SetColor(kYellowBack);
    b->Canvas()->FillRect(Rect(0, 0, 7, 5));
    return b;
}

// The 6 x 4 pixels around (1, 1) of the backdrop, row by row.
std::vector<std::vector<TColor>> Read(TBitmap* b) {
    std::vector<std::vector<TColor>> out;
    for (int y = 0; y < 4; ++y) {
        out.emplace_back();
        for (int x = 0; x < 6; ++x) out.back().push_back(b->Canvas()->Pixels(x, y));
    }
    return out;
}

constexpr TColor Y = kYellowBack;

TEST(ImgList, DrawsEachStyleWithTheMaskFromTheTransparentColour) {
    const TColor gray = static_cast<TColor>(ColorToRGB(clBtnShadow));
    const TColor light = static_cast<TColor>(ColorToRGB(clBtnHighlight));
    const TColor R = clRed, G = clGreen, B = clBlue, W = clWhite, K = clBlack, N = clNavy, F = clFuchsia,
                 A = clAqua, S = gray, L = light;
    struct Case {
        const char* what;
        TDrawingStyle style;
        TColor bk;
        TImageType type;
        bool masked, enabled;
        std::vector<std::vector<TColor>> expect;
    } cases[] = {
        {"normal, no background", dsNormal, clNone, itImage, true, true,
         {{Y, Y, Y, Y, Y, Y}, {Y, R, G, B, Y, Y}, {Y, W, K, Y, N, Y}, {Y, Y, Y, Y, Y, Y}}},
        {"normal over a background colour", dsNormal, clAqua, itImage, true, true,
         {{Y, Y, Y, Y, Y, Y}, {Y, R, G, B, A, Y}, {Y, W, K, A, N, Y}, {Y, Y, Y, Y, Y, Y}}},
        {"transparent ignores the background colour", dsTransparent, clAqua, itImage, true, true,
         {{Y, Y, Y, Y, Y, Y}, {Y, R, G, B, Y, Y}, {Y, W, K, Y, N, Y}, {Y, Y, Y, Y, Y, Y}}},
        {"unmasked list: every pixel opaque", dsNormal, clNone, itImage, false, true,
         {{Y, Y, Y, Y, Y, Y}, {Y, R, G, B, F, Y}, {Y, W, K, F, N, Y}, {Y, Y, Y, Y, Y, Y}}},
        {"the mask", dsNormal, clNone, itMask, true, true,
         {{Y, Y, Y, Y, Y, Y}, {Y, K, K, K, W, Y}, {Y, K, K, W, K, Y}, {Y, Y, Y, Y, Y, Y}}},
        // Ink (opaque, not white): red, green, blue, black, navy. Light one pixel down and right,
        // the shadow over it.
        {"disabled: embossed", dsNormal, clNone, itImage, true, false,
         {{Y, Y, Y, Y, Y, Y}, {Y, S, S, S, Y, Y}, {Y, Y, S, L, S, Y}, {Y, Y, Y, L, Y, L}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TImageList list(nullptr, 4, 2);
        list.SetMasked(c.masked);
        list.SetDrawingStyle(c.style);
        list.SetBkColor(c.bk);
        list.SetImageType(c.type);
        ASSERT_EQ(list.AddMasked(Picture(kRows).get(), clFuchsia), 0);
        auto back = Backdrop();
        list.Draw(back->Canvas(), 1, 1, 0, c.enabled);
        EXPECT_EQ(Read(back.get()), c.expect);
    }
}

TEST(ImgList, SelectedAndFocusedImagesMixInTheBlendColour) {
    TImageList list(nullptr, 1, 1);
    list.AddMasked(Picture({{clRed}}).get(), clFuchsia);
    list.BlendColor = clBlue;
    struct {
        TDrawingStyle style;
        TColor expect;
    } cases[] = {{dsSelected, 0x7F007F}, {dsFocus, 0x3F00BF}, {dsNormal, clRed}};
    for (const auto& c : cases) {
        list.SetDrawingStyle(c.style);
        auto back = Backdrop();
        list.Draw(back->Canvas(), 0, 0, 0);
        EXPECT_EQ(back->Canvas()->Pixels(0, 0), c.expect) << c.style;
    }
}

TEST(ImgList, StripsSplitIntoImagesAndTheListKeepsThemInOrder) {
    TImageList list(nullptr, 2, 2);
    // A strip of three 2 x 2 images (one column left over), then a mask bitmap: white transparent.
    auto strip = Picture({{clRed, clRed, clGreen, clGreen, clBlue, clBlue, clBlack},
                          {clRed, clRed, clGreen, clGreen, clBlue, clBlue, clBlack}});
    auto mask = Picture({{clBlack, clWhite, clBlack, clBlack, clWhite, clWhite, clBlack},
                         {clBlack, clBlack, clBlack, clBlack, clWhite, clWhite, clBlack}});
    EXPECT_EQ(list.Add(strip.get(), mask.get()), 0);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Add(Picture({{clNavy, clNavy}, {clNavy, clNavy}}).get(), nullptr), 3);
    EXPECT_EQ(list.Add(nullptr, nullptr), -1);

    auto firstOf = [&](int index) {
        auto back = Backdrop();
        list.Draw(back->Canvas(), 0, 0, index);
        return std::vector<TColor>{back->Canvas()->Pixels(0, 0), back->Canvas()->Pixels(1, 0)};
    };
    EXPECT_EQ(firstOf(0), (std::vector<TColor>{clRed, Y}));
    EXPECT_EQ(firstOf(1), (std::vector<TColor>{clGreen, clGreen}));
    EXPECT_EQ(firstOf(2), (std::vector<TColor>{Y, Y}));
    EXPECT_EQ(firstOf(3), (std::vector<TColor>{clNavy, clNavy}));
    EXPECT_EQ(firstOf(4), (std::vector<TColor>{Y, Y})) << "an index out of range draws nothing";

    list.Delete(1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(firstOf(1), (std::vector<TColor>{Y, Y}));
    list.Replace(0, Picture({{clAqua, clAqua}, {clAqua, clAqua}}).get(), nullptr);
    EXPECT_EQ(firstOf(0), (std::vector<TColor>{clAqua, clAqua}));

    TBitmap copy;
    list.GetBitmap(2, &copy);
    EXPECT_EQ(copy.Width(), 2);
    EXPECT_EQ(copy.Height(), 2);
    EXPECT_EQ(copy.Canvas()->Pixels(1, 1), clNavy);

    struct Bad {
        const char* what;
        std::function<void()> call;
        const char* message;
    } bad[] = {
        {"delete past the end", [&] { list.Delete(3); }, "Invalid ImageList Index"},
        {"replace past the end", [&] { list.Replace(5, strip.get(), nullptr); }, "Invalid ImageList Index"},
        {"image too small", [&] { list.Add(Picture({{clRed}}).get(), nullptr); }, "Invalid image size"},
        {"mask too small", [&] { list.Add(strip.get(), Picture({{clRed}}).get()); }, "Invalid image size"},
        {"width 0", [&] { list.SetWidth(0); }, "Invalid image size"},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.what);
        try {
            b.call();
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidOperation& e) {
            EXPECT_EQ(e.Message, b.message);
        }
    }
    EXPECT_EQ(list.Count(), 3);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

struct TLinkLog : TObject {
    std::vector<TObject*> senders;
    void Changed(TObject* sender) { senders.push_back(sender); }
};

TEST(ImgList, ChangeLinksHearOfEveryChangeUntilTheyLeave) {
    auto list = std::make_unique<TImageList>(nullptr, 2, 2);
    TLinkLog log, listLog;
    TChangeLink link;
    link.OnChange = TNotifyEvent::Bind<&TLinkLog::Changed>(&log);
    list->OnChange = TNotifyEvent::Bind<&TLinkLog::Changed>(&listLog);
    list->RegisterChanges(&link);
    EXPECT_EQ(link.Sender, list.get());

    auto pic = Picture({{clRed, clRed}, {clRed, clRed}});
    list->Add(pic.get(), nullptr);
    list->AddMasked(pic.get(), clRed);
    list->Delete(0);
    EXPECT_EQ(log.senders, (std::vector<TObject*>(3, list.get())));
    EXPECT_EQ(listLog.senders.size(), 3u);

    // A bracket tells once; a new size empties the list and tells.
    log.senders.clear();
    list->BeginUpdate();
    list->Add(pic.get(), nullptr);
    list->Add(pic.get(), nullptr);
    list->EndUpdate();
    EXPECT_EQ(log.senders.size(), 1u);
    list->SetHeight(3);
    EXPECT_EQ(list->Count(), 0);
    EXPECT_EQ(log.senders.size(), 2u);

    list->UnRegisterChanges(&link);
    EXPECT_EQ(link.Sender, nullptr);
    list->Add(Picture({{clRed, clRed}, {clRed, clRed}, {clRed, clRed}}).get(), nullptr);
    EXPECT_EQ(log.senders.size(), 2u);

    // A link freed first unregisters itself; a list freed first leaves its links without a sender.
    {
        TChangeLink brief;
        list->RegisterChanges(&brief);
    }
    list->Delete(0);
    list->RegisterChanges(&link);
    list.reset();
    EXPECT_EQ(link.Sender, nullptr);
}

} // namespace
