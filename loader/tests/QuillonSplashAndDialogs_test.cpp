// The splash's built-in JPEG picture as the window shows it, the terminal font chosen in the font
// dialog from the Terminal menu, and the computer's address in the Ethernet dialog.
#include "support/LoaderTest.h"

#include "platform/gdi/Draw.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/ResourceBitmaps.h"
#include "platform/win/Resources.h"

#include <regex>
#include <set>
#include <string>

namespace {

class QuillonSplashAndDialogs : public LoaderTest {
protected:
    QuillonSplashAndDialogs() { CreateFormsInSetUp = false; }
};

TEST_F(QuillonSplashAndDialogs, SplashOfTheSecondBrandingShowsTheBuiltInJpegPicture) {
    WriteFile("LoaderDefault.ini", Settings({{23, "100"}}));
    CreateForms();
    ASSERT_TRUE(SplashForm->Visible());
    ASSERT_TRUE(SplashForm->KeltImage->Visible());
    auto* held = dynamic_cast<TJPEGImage*>(SplashForm->KeltImage->Picture()->Graphic());
    ASSERT_NE(held, nullptr);

    // The program's own picture, decoded apart from the window.
    TJPEGImage file;
    TMemoryStream bytes(ResourceBytes("KELT", RT_RCDATA));
    file.LoadFromStream(bytes);
    ASSERT_EQ(file.Width(), 800);
    ASSERT_EQ(file.Height(), 700);
    TBitmap expected;
    expected.Assign(&file);

    // What the window paints: the picture fills its 800 x 700 client area pixel for pixel.
    ASSERT_EQ(SplashForm->ClientWidth(), 800);
    ASSERT_EQ(SplashForm->ClientHeight(), 700);
    TBitmap shown;
    shown.SetSize(800, 700);
    shown.Canvas()->Brush()->SetColor(clFuchsia);
    shown.Canvas()->FillRect(Rect(0, 0, 800, 700));
    SplashForm->PaintTo(shown.Canvas()->Handle(), 0, 0);
    std::set<COLORREF> seen;
    for (int y = 5; y < 700; y += 49)
        for (int x = 3; x < 800; x += 53) {
            const COLORREF want = GetPixel(expected.Canvas()->Handle(), x, y);
            EXPECT_EQ(GetPixel(shown.Canvas()->Handle(), x, y), want) << "at " << x << "," << y;
            seen.insert(want);
        }
    // A picture, not a flat colour.
    EXPECT_GT(seen.size(), 20u);
}

TEST_F(QuillonSplashAndDialogs, TerminalFontsMenuChangesTheTerminalFontOnlyWhenAFontIsChosen) {
    CreateForms();
    // The terminal measures its character cell once it has a window.
    Main()->VxTerminal1->HandleNeeded();
    TFont* font = Main()->VxTerminal1->Font();
    const std::string name = font->Name();
    const int size = font->Size();
    const TColor colour = font->Color();
    const int cellHeight = Main()->VxTerminal1->GetTotalCharHeight();

    Seam->CancelFont();
    Main()->TerminalFonts1->Click();
    EXPECT_EQ(font->Name(), name);
    EXPECT_EQ(font->Size(), size);

    Seam->AnswerFont({"DejaVu Sans Mono", size + 10, TFontStyles{fsBold}, std::nullopt});
    Main()->TerminalFonts1->Click();
    EXPECT_EQ(font->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(font->Size(), size + 10);
    EXPECT_EQ(font->Style(), TFontStyles{fsBold});
    EXPECT_EQ(font->Color(), colour);
    EXPECT_GT(Main()->VxTerminal1->GetTotalCharHeight(), cellHeight);

    // Each time the dialog opens on the terminal's font as it is then.
    const auto asked = Seam->Of(TSeamRecorder::kFontDialog);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].Caption, name);
    EXPECT_EQ(asked[1].FontSize, size);
    Seam->CancelFont();
    Main()->TerminalFonts1->Click();
    EXPECT_EQ(Seam->Of(TSeamRecorder::kFontDialog).back().FontSize, size + 10);
    EXPECT_EQ(font->Name(), "DejaVu Sans Mono");
}

TEST_F(QuillonSplashAndDialogs, EthernetDialogTellsTheComputersOwnAddress) {
    CreateForms();
    Main()->EnetConnect1->Click();
    ASSERT_TRUE(ClientSocketForm->Visible());
    const std::string text = ClientSocketForm->EnetStatusBar->SimpleText();
    std::smatch m;
    ASSERT_TRUE(
        std::regex_match(text, m, std::regex(R"(Note: Computer's IP Addr = (\d+)\.(\d+)\.(\d+)\.(\d+))")))
        << text;
    for (int i = 1; i <= 4; ++i) EXPECT_LE(std::stoi(m[i].str()), 255);
    EXPECT_TRUE(Boxes().empty());
}

} // namespace
