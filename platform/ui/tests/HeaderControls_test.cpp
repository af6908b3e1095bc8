// Header bars: the widths of their sections and where each section lies.
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Forms.h"
#include "platform/ui/HeaderControls.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(HeaderControls, HeaderSectionsKeepTheirWidths) {
    THeader header(nullptr);
    TStringList names;
    names.SetText("Name\r\nSize\r\nDate\r\n");
    header.SetSections(&names);
    ASSERT_EQ(header.Sections()->Count(), 3);
    EXPECT_EQ(header.SectionWidth(2), THeader::kDefaultSectionWidth);
    header.SetSectionWidth(0, 120);
    header.SetSectionWidth(1, -5);
    EXPECT_EQ(header.SectionWidth(0), 120);
    EXPECT_EQ(header.SectionWidth(1), 0);
    header.Sections()->Add("Owner");
    EXPECT_EQ(header.SectionWidth(3), THeader::kDefaultSectionWidth);
    EXPECT_EQ(header.SectionWidth(0), 120);
    EXPECT_THROW(header.SectionWidth(4), EListError);
    EXPECT_THROW(header.SetSectionWidth(-1, 10), EListError);
}

TEST(HeaderControls, HeaderControlSectionsLieSideBySide) {
    std::unique_ptr<TForm> form(new TForm(nullptr));
    auto* header = new THeaderControl(form.get());
    header->SetParent(form.get());
    THeaderSections* sections = header->Sections();
    for (int w : {80, 40, 200}) sections->Add()->SetWidth(w);
    const struct { int left, right; } expected[] = {{0, 80}, {80, 120}, {120, 320}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sections->Items(i)->Left(), expected[i].left) << i;
        EXPECT_EQ(sections->Items(i)->Right(), expected[i].right) << i;
    }
    sections->Items(0)->SetWidth(10);
    EXPECT_EQ(sections->Items(2)->Left(), 50);
    EXPECT_EQ(sections->Add()->Width(), 50);
    sections->Items(1)->SetIndex(0);
    EXPECT_EQ(sections->Items(1)->Left(), 40);
    // Painting the sections goes through without a fault.
    form->Show();
    header->Repaint();
}

} // namespace
