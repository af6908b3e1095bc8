#include "visual_controls/Luxcont.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Resources.h"
#include "visual_controls/Luxstreamutils.h"
#include "visual_controls/Luxwave.h"
#include "visual_controls/tests/support/DesignForm.h"
#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

// Outside the anonymous namespace, so that the class names stay plain for the filer.

// A label-like control that publishes its glyph source as the glyph label does.
class TGlyphHolder : public TLuxBaseGraphicControl {
public:
    using TLuxBaseGraphicControl::TLuxBaseGraphicControl;
    int Changes = 0;
    void GetIMLChange(TObject* Sender) override {
        ++Changes;
        TLuxBaseGraphicControl::GetIMLChange(Sender);
    }
};

// A root that writes the components it owns as its children (as a form's resource does).
class TGlyphForm : public TComponent {
public:
    using TComponent::TComponent;
    void GetChildren(TGetChildProc Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
    }
    void Designing(bool on) {
        TComponentState s = ComponentState();
        on ? s.Include(TComponentStateItem::csDesigning) : s.Exclude(TComponentStateItem::csDesigning);
        SetComponentState(s);
    }
};

namespace {

const bool kRegistered = [] {
    PublishProperties<TGlyphHolder, TComponent>(LuxImageListProperties<TGlyphHolder>());
    RegisterClass<TGlyphHolder>();
    RegisterClass<TGlyphForm>();
    return true;
}();

std::string Le32(std::uint32_t v) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
}

std::string Short(const std::string& s) {
    return std::string(1, static_cast<char>(s.size())) + s;
}

std::string Sig(const char* s) {
    return Short(s);
}

// A 24-bit bottom-up bitmap file of w x h pixels, every pixel the same colour (B, G, R bytes).
std::string Bmp24(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    const int stride = (w * 3 + 3) / 4 * 4;
    std::string bits;
    for (int y = 0; y < h; ++y) {
        std::string row;
        for (int x = 0; x < w; ++x)
            row += std::string{static_cast<char>(b), static_cast<char>(g), static_cast<char>(r)};
        row.resize(static_cast<std::size_t>(stride), '\0');
        bits += row;
    }
    auto le16 = [](int v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
    };
    std::string info = Le32(40) + Le32(static_cast<std::uint32_t>(w)) + Le32(static_cast<std::uint32_t>(h)) +
                       le16(1) + le16(24) + Le32(0) + Le32(static_cast<std::uint32_t>(bits.size())) +
                       Le32(0) + Le32(0) + Le32(0) + Le32(0);
    return "BM" + Le32(static_cast<std::uint32_t>(14 + info.size() + bits.size())) + Le32(0) + Le32(54) +
           info + bits;
}

// A bitmap painted from letter rows (see LetterPicture.h).
std::unique_ptr<TBitmap> Letters(std::initializer_list<const char*> rows) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(static_cast<int>(std::strlen(*rows.begin())), static_cast<int>(rows.size()));
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; row[x]; ++x) {
            TColor c = clYellow;
            switch (row[x]) {
            case 'K':
                c = clBlack;
                break;
            case 'L':
                c = clWhite;
                break;
            case 'R':
                c = clRed;
                break;
            case 'B':
                c = clBlue;
                break;
            case 'G':
                c = clLime;
                break;
            case 'S':
                c = clGray;
                break;
            default:
                break;
            }
            b->Canvas()->SetPixels(x, y, c);
        }
        ++y;
    }
    return b;
}

std::string Saved(TLuxCustomContainer& list) {
    TMemoryStream s;
    list.SaveToStream(&s);
    return s.DataString();
}

void Load(TLuxCustomContainer& list, const std::string& bytes) {
    TMemoryStream s(bytes);
    list.LoadFromStream(&s);
}

// A fresh directory, removed with its files afterwards.
struct ScratchDir {
    ScratchDir() {
        path = std::filesystem::temp_directory_path() / ("luxcont-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(path);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::permissions(path / "locked.bml", std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path);
    }
    std::string File(const std::string& name) const { return (path / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(File(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(File(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::filesystem::path path;
};

struct Listener : TObject {
    std::vector<TObject*> senders;
    void Changed(TObject* Sender) { senders.push_back(Sender); }
};

struct WithContainer : ::testing::Test {
    void SetUp() override { InitLuxcont(); }
    void TearDown() override { DoneLuxcont(); }
};

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message;
    }
    return "(nothing raised)";
}

} // namespace

// --- Skeleton: links, global idents, abstract image list ------------------------------------------

TEST(Luxcont, LinksHearEveryChangeAndLeaveCleanly) {
    Listener l, onChange;
    auto list = std::make_unique<TLuxBitmapList>(nullptr);
    list->OnChange = TNotifyEvent::Bind<&Listener::Changed>(&onChange);
    TLuxChangeLink a, b;
    a.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    list->RegisterChanges(&a);
    {
        TLuxChangeLink gone;
        gone.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
        list->RegisterChanges(&gone);
        EXPECT_EQ(gone.Sender, list.get());
    } // unregisters itself
    list->RegisterChanges(&b);
    EXPECT_EQ(a.Sender, list.get());

    // Inside an update bracket the links still hear, OnChange waits for the end.
    list->BeginUpdate();
    list->Add(nullptr);
    list->Add(nullptr);
    EXPECT_EQ(l.senders.size(), 2u);
    EXPECT_TRUE(onChange.senders.empty());
    list->EndUpdate(true);
    EXPECT_EQ(l.senders.size(), 3u);
    EXPECT_EQ(onChange.senders, std::vector<TObject*>{list.get()});

    // An item's change reaches OnChange with the item as sender, past the links.
    list->Items(1)->SetDescription("x");
    EXPECT_EQ(onChange.senders.back(), list->Items(1));
    EXPECT_EQ(l.senders.size(), 3u);

    list->UnRegisterChanges(&b);
    EXPECT_EQ(b.Sender, nullptr);
    list.reset();
    EXPECT_EQ(a.Sender, nullptr); // the container let it go
}

TEST_F(WithContainer, GlobalIdentsNameTheTwoGlobalListsOnly) {
    ASSERT_NE(LuxContainer, nullptr);
    EXPECT_TRUE(LuxContainer->BitmapList()->GetEmpty());
    EXPECT_EQ(LuxReadGlobalIdent("LUXBML30"), LuxContainer->BitmapList());
    EXPECT_EQ(LuxReadGlobalIdent("LUXIML30"), LuxContainer->ImageList());
    for (const char* other : {"", "luxbml30", "LUXWVL30", "LUXSLL30", "LUXBML30 ", "LUXIML3", "ImageList"})
        EXPECT_EQ(LuxReadGlobalIdent(other), nullptr) << other;
    EXPECT_EQ(LuxWriteGlobalIdent(LuxContainer->BitmapList()), "LUXBML30");
    EXPECT_EQ(LuxWriteGlobalIdent(LuxContainer->ImageList()), "LUXIML30");
    TLuxImageList own(nullptr);
    EXPECT_EQ(LuxWriteGlobalIdent(&own), "");
    EXPECT_FALSE(LuxIsGlobalIdent(&own));
    EXPECT_FALSE(LuxIsGlobalIdent(nullptr));
    EXPECT_TRUE(LuxIsGlobalIdent(LuxContainer->ImageList()));

    TLuxBitmapList bitmaps(nullptr);
    TLuxGraphicList graphics(nullptr);
    TLuxImageListConnector connector(nullptr);
    EXPECT_TRUE(LuxIsSingleItemImageList(&bitmaps));
    EXPECT_TRUE(LuxIsSingleItemImageList(&graphics));
    EXPECT_FALSE(LuxIsSingleItemImageList(&own));
    EXPECT_TRUE(LuxIsCollectionImageList(&connector));
    EXPECT_FALSE(LuxIsCollectionImageList(&bitmaps));
    EXPECT_FALSE(LuxIsCollectionImageList(nullptr));
}

TEST(Luxcont, TheAbstractImageListRaisesOnEveryOperation) {
    TLuxCustomImageList list(
        nullptr, [](TComponent* o) -> TLuxListItem* { return new TLuxListItem(o); }, icInvalid);
    TBitmap b;
    EXPECT_THROW(list.BmpCanvas(0), EAbstractError);
    EXPECT_THROW(list.ItemRect(0, 0), EAbstractError);
    EXPECT_THROW(list.Dimensions(0, 0), EAbstractError);
    EXPECT_THROW(list.ItemCount(0), EAbstractError);
    EXPECT_THROW(list.IsValidItem(0, 0), EAbstractError);
    EXPECT_THROW(list.GetBitmapItem(0, 0, &b), EAbstractError);
    EXPECT_THROW(list.Masked(0), EAbstractError);
    EXPECT_THROW(list.Palette(0), EAbstractError);
    EXPECT_THROW(list.TransparentColor(0, 0), EAbstractError);
    EXPECT_THROW(list.GetColorAtPoint(TPoint(0, 0), 0, 0), EAbstractError);
    EXPECT_THROW(list.Draw(b.Canvas(), 0, 0, 0, 0), EAbstractError);
    EXPECT_THROW(list.DrawExt(b.Canvas(), TRect(), 0, 0, 0), EAbstractError);
    EXPECT_THROW(list.ClipDraw(b.Canvas(), TRect(), 0, 0, clNone, 0, 0), EAbstractError);
}

TEST(Luxcont, SetIndexAcceptsMinusOneAndRaisesAtTheCount) {
    TLuxImageList list(nullptr);
    list.Add(nullptr);
    list.Add(nullptr);
    list.SetIndex(1);
    EXPECT_EQ(list.Index(), 1);
    list.SetIndex(-1);
    EXPECT_EQ(list.Index(), -1);
    EXPECT_EQ(Message([&] { list.SetIndex(2); }), "List index out of bounds (2)");
    EXPECT_THROW(list.SetIndex(2), EInvalidGraphicOperation);
    EXPECT_EQ(list.Index(), -1);
    EXPECT_THROW(list.GetItem(2), EListError);
}

TEST(Luxcont, SuffixesAndSignatures) {
    EXPECT_EQ(LuxICGetSuffix(icBitmap, true), ".bml");
    EXPECT_EQ(LuxICGetSuffix(icImageList, false), "iml");
    EXPECT_EQ(LuxICGetItemSuffix(icBitmap, true), ".bmp");
    EXPECT_EQ(LuxICGetItemSuffix(icGeneric, true), ".*");
    EXPECT_EQ(LuxICGetSuffix(icInvalid, true), "");
}

// --- The control bases' glyph source --------------------------------------------------------------

TEST_F(WithContainer, AControlFollowsItsImageListAndForgetsAFreedOne) {
    TGlyphForm form(nullptr);
    auto* control = new TGlyphHolder(&form);
    auto list = std::make_unique<TLuxImageList>(&form);
    list->Add(nullptr);
    static_cast<TLuxImageListItem*>(list->GetItem(0))->Add(nullptr, nullptr);

    // Without a list the index is stored and nothing is signalled; negative values are ignored.
    control->SetIndex(1, 3);
    EXPECT_EQ(control->ListIndex(), 3);
    EXPECT_EQ(control->Changes, 0);
    control->SetIndex(0, -1);
    EXPECT_EQ(control->ImageIndex(), 0);
    EXPECT_TRUE(control->IMLEmpty());

    control->SetImageList(list.get());
    EXPECT_EQ(control->Changes, 1);
    EXPECT_TRUE(control->IMLEmpty()); // list index 3 does not exist
    control->SetIndex(1, 0);
    EXPECT_EQ(control->Changes, 2);
    EXPECT_FALSE(control->IMLEmpty());
    control->SetIndex(1, 0); // unchanged
    EXPECT_EQ(control->Changes, 2);
    control->SetImageIndex(5); // silently
    EXPECT_EQ(control->Changes, 2);
    EXPECT_TRUE(control->IMLEmpty());
    control->SetImageIndex(0);

    // The list's own changes reach the control through its link; an item's reach only OnChange.
    list->Items(0)->Add(nullptr, nullptr);
    EXPECT_EQ(control->Changes, 2);
    list->Add(nullptr);
    EXPECT_EQ(control->Changes, 3);
    EXPECT_TRUE(control->HasControl());

    list.reset();
    EXPECT_EQ(control->ImageList(), nullptr);
    EXPECT_TRUE(control->IMLEmpty());

    // A global list is not stored as a reference.
    control->SetImageList(LuxContainer->ImageList());
    EXPECT_FALSE(control->HasControl());
}

TEST_F(WithContainer, AGlobalListStreamsAsTheInternalIdentAndResolvesOnReading) {
    TGlyphForm form(nullptr);
    auto* glyph = new TGlyphHolder(&form);
    glyph->SetName("Glyph1");
    glyph->SetImageList(LuxContainer->ImageList());
    glyph->SetIndex(1, 2);
    auto* local = new TLuxBitmapList(&form);
    local->SetName("Bitmaps");
    auto* other = new TGlyphHolder(&form);
    other->SetName("Glyph2");
    other->SetImageList(local);

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&form);
    const std::string bytes = stream.DataString();
    const std::string internal = Le32(8) + "Internal" + '\x04' + Le32(8) + "LUXIML30";
    EXPECT_NE(bytes.find(internal), std::string::npos);
    EXPECT_EQ(bytes.find("LUXBML30"), std::string::npos);
    // The local list goes as a reference, and once.
    EXPECT_NE(bytes.find(Le32(9) + "ImageList" + '\x09' + Le32(7) + "Bitmaps"), std::string::npos);
    EXPECT_EQ(bytes.find("ImageList"), bytes.rfind("ImageList"));

    TMemoryStream in(bytes);
    std::unique_ptr<TComponent> back(TReader(&in).ReadRootComponent(nullptr));
    auto* glyphBack = dynamic_cast<TGlyphHolder*>(back->FindComponent("Glyph1"));
    auto* otherBack = dynamic_cast<TGlyphHolder*>(back->FindComponent("Glyph2"));
    ASSERT_NE(glyphBack, nullptr);
    ASSERT_NE(otherBack, nullptr);
    EXPECT_EQ(glyphBack->ImageList(), LuxContainer->ImageList());
    EXPECT_EQ(glyphBack->ListIndex(), 2);
    EXPECT_EQ(otherBack->ImageList(), back->FindComponent("Bitmaps"));
}

// --- File and stream formats ----------------------------------------------------------------------

namespace {

// The bitmap file a 24-bit bitmap writes of itself.
std::string OwnForm(TBitmap& b) {
    TMemoryStream s;
    b.SaveToStream(s);
    return s.DataString();
}

std::unique_ptr<TBitmap> FromBmp(const std::string& bytes) {
    auto b = std::make_unique<TBitmap>();
    TMemoryStream s(bytes);
    b->LoadFromStream(s);
    return b;
}

// A RIFF WAVE file image: 8-bit mono PCM at 8000 Hz with the given samples.
std::string Wave(const std::string& samples) {
    auto le16 = [](int v) {
        return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
    };
    const std::string fmt = le16(1) + le16(1) + Le32(8000) + Le32(8000) + le16(1) + le16(8);
    const std::string body = "WAVE" + std::string("fmt ") + Le32(16) + fmt + "data" +
                             Le32(static_cast<std::uint32_t>(samples.size())) + samples;
    return "RIFF" + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

} // namespace

// A wave item's record is its flag byte and the wave record of the stream routines, which read it
// back whole.
TEST(Luxcont, TheWaveItemWritesTheStreamRoutinesWaveRecord) {
    std::string samples;
    for (int i = 0; i < 600; ++i) samples += static_cast<char>(0x80 + (i % 7) * 3);
    const std::string image = Wave(samples);
    const struct {
        bool compressed;
        char flag;
    } cases[] = {{false, '\x08'}, {true, '\x09'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.compressed);
        TLuxWave wave;
        TMemoryStream source(image);
        wave.LoadFromStream(&source);
        TMemoryStream record;
        stWriteWave(record, wave, c.compressed);
        if (!c.compressed) {
            EXPECT_EQ(record.DataString(), Le32(static_cast<std::uint32_t>(image.size())) + image);
        }

        TLuxWaveListItem item(nullptr);
        item.SetCompressed(c.compressed);
        item.SetWave(&wave);
        TMemoryStream written;
        item.SaveToStream(&written);
        EXPECT_EQ(written.DataString(), std::string(1, c.flag) + record.DataString());

        record.SetPosition(0);
        TLuxWave back;
        stReadWave(record, back, c.compressed);
        EXPECT_EQ(record.Position(), record.Size());
        EXPECT_EQ(back.Data()->DataString(), image);
        written.SetPosition(0);
        TLuxWaveListItem item2(nullptr);
        item2.LoadFromStream(&written);
        EXPECT_EQ(item2.Wave()->Data()->DataString(), image);
    }
}

TEST(Luxcont, HandMadeBitmapsAreWrittenBackAsTheyCame) {
    // The fixtures below put these bytes in the records: a bitmap writes the file it was read from.
    const std::string red = Bmp24(1, 1, 0, 0, 255);
    EXPECT_EQ(OwnForm(*FromBmp(red)), red);
}

TEST(Luxcont, AListFileOfThreeBitmapsIsByteExact) {
    ScratchDir dir;
    const std::string red = Bmp24(1, 1, 0, 0, 255), blue = Bmp24(2, 1, 255, 0, 0);
    TLuxBitmapList list(nullptr);
    list.Add(nullptr);
    list.Items(0)->SetDescription("Red");
    list.Items(0)->SetBitmap(FromBmp(red).get());
    list.Add(nullptr);
    list.Items(1)->SetIdent(7);
    list.Items(1)->SetBitmap(FromBmp(blue).get());
    list.Add(nullptr); // empty: its flag byte only

    const std::string r0 = "\x0A" + Short("Red") + Le32(static_cast<std::uint32_t>(red.size())) + red;
    const std::string r1 = "\x0C" + Le32(7) + Le32(static_cast<std::uint32_t>(blue.size())) + blue;
    const std::string r2 = std::string(1, '\0');
    const auto at = [](std::size_t n) { return Le32(static_cast<std::uint32_t>(n)); };
    const std::string expected = Sig("LUXBML30") + Le32(3) + at(25) + at(25 + r0.size()) +
                                 at(25 + r0.size() + r1.size()) + r0 + r1 + r2;
    list.SaveToFile(dir.File("three.bml"));
    EXPECT_EQ(dir.Read("three.bml"), expected);

    // The type and the offsets of the file; one record by its offset.
    int count = 0;
    std::vector<std::int32_t> offsets;
    EXPECT_EQ(LuxListGetFileType(dir.File("three.bml"), count, &offsets), icBitmap);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(offsets, (std::vector<std::int32_t>{25, static_cast<std::int32_t>(25 + r0.size()),
                                                  static_cast<std::int32_t>(25 + r0.size() + r1.size())}));
    TBitmap one;
    LuxBMLGetItem(dir.File("three.bml"), 1, &one);
    EXPECT_EQ(OwnForm(one), blue);

    // Reading takes the records in order, whatever the offsets say.
    std::string scrambled = expected;
    scrambled.replace(13, 12, Le32(0) + Le32(0) + Le32(0));
    dir.Write("scrambled.bml", scrambled);
    TLuxBitmapList back(nullptr);
    back.LoadFromFile(dir.File("scrambled.bml"));
    ASSERT_EQ(back.GetCount(), 3);
    EXPECT_EQ(back.Items(0)->Description(), "Red");
    EXPECT_EQ(back.Items(1)->Ident(), 7);
    EXPECT_EQ(OwnForm(*back.Items(1)->Bitmap()), blue);
    EXPECT_TRUE(back.Items(2)->GetEmpty());
    EXPECT_EQ(back.GetItemByName("Red"), back.Items(0));
    EXPECT_EQ(back.GetItemByName("red"), nullptr);
}

TEST(Luxcont, EmptyItemsWriteTheirFlagByteAndTheNextRecordFollows) {
    const std::string next = "\x02" + Short("n"); // an empty item named "n"
    const std::string image0 = Le32(16) + Le32(16) + Le32(4) + '\0' + Le32(0);
    struct Case {
        const char* name;
        std::function<TLuxCustomContainer*()> make;
        std::string empty; // the record of an empty item
        std::string nextData;
    };
    const Case cases[] = {
        {"bitmap", [] { return new TLuxBitmapList(nullptr); }, std::string(1, '\0'), ""},
        {"string", [] { return new TLuxStringList(nullptr); }, std::string(1, '\0'), ""},
        {"generic", [] { return new TLuxGenericList(nullptr); }, std::string(2, '\0'), std::string(1, '\0')},
        {"wave", [] { return new TLuxWaveList(nullptr); }, std::string(1, '\0'), ""},
        {"image", [] { return new TLuxImageList(nullptr); }, '\0' + image0, image0},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TLuxCustomContainer> list(c.make());
        list->Add(nullptr);
        EXPECT_EQ(Saved(*list), Le32(1) + c.empty) << c.name;
        Load(*list, Le32(2) + c.empty + next + c.nextData);
        ASSERT_EQ(list->GetCount(), 2) << c.name;
        EXPECT_EQ(list->GetItem(0)->Description(), "") << c.name;
        EXPECT_EQ(list->GetItem(1)->Description(), "n") << c.name;
        EXPECT_EQ(list->GetItem(1)->Ident(), 0) << c.name;
    }
}

TEST(Luxcont, TheSingleImageFileHoldsOneRecordAtOffset17) {
    ScratchDir dir;
    TLuxImageListItem item(nullptr);
    item.SetDescription("d");
    item.SaveToFile(dir.File("one.iml"));
    EXPECT_EQ(dir.Read("one.iml"), Sig("LUXIML30") + Le32(1) + Le32(17) + "\x02" + Short("d") + Le32(16) +
                                       Le32(16) + Le32(4) + '\0' + Le32(0));

    auto strip = Letters({"RRBBGG", "RRBBGG"});
    item.ConvertBmpToIML(strip.get(), 3, false);
    item.SaveToFile(dir.File("three.iml"));
    TLuxImageListItem back(nullptr);
    back.LoadFromFile(dir.File("three.iml"));
    EXPECT_EQ(back.GetCount(), 3);
    EXPECT_EQ(back.Width(), 2);
    EXPECT_EQ(back.Height(), 2);
    EXPECT_EQ(back.Description(), "d");
    EXPECT_EQ(Picture(*back.GetImageBitmap()), Rows({"RRBBGG", "RRBBGG"}));
    // The image file is a list file of one image item.
    TLuxImageListItem viaList(nullptr);
    LuxIMLGetItem(dir.File("three.iml"), 0, &viaList);
    EXPECT_EQ(viaList.GetCount(), 3);
}

TEST(Luxcont, BitmapListsRoundTripInEveryPixelFormatPlainAndCompressed) {
    const TLuxSavePixelFormat formats[] = {spfDefault, spfMono, spf4bit, spf8bit};
    for (TLuxSavePixelFormat format : formats)
        for (bool compressed : {false, true}) {
            TLuxBitmapList list(nullptr);
            list.Add(nullptr);
            list.Items(0)->SetPixelFormat(format);
            list.Items(0)->SetCompressed(compressed);
            const auto rows = format == spfMono ? Rows({"KLKL", "LKLK"}) : Rows({"RGBK", "LKSR"});
            list.Items(0)->SetBitmap(format == spfMono ? Letters({"KLKL", "LKLK"}).get()
                                                       : Letters({"RGBK", "LKSR"}).get());
            const std::string bytes = Saved(list);
            const int flag = static_cast<unsigned char>(bytes[4]);
            EXPECT_EQ(flag & 0x71, (format == spfMono   ? 0x10
                                    : format == spf4bit ? 0x20
                                    : format == spf8bit ? 0x40
                                                        : 0) |
                                       (compressed ? 1 : 0));
            TLuxBitmapList back(nullptr);
            Load(back, bytes);
            ASSERT_EQ(back.GetCount(), 1);
            EXPECT_EQ(back.Items(0)->PixelFormat(), format);
            EXPECT_EQ(back.Items(0)->Compressed(), compressed);
            EXPECT_EQ(Picture(*back.Items(0)->Bitmap()), rows) << format << compressed;
        }
}

TEST(Luxcont, OtherListsRoundTripPlainAndCompressed) {
    ScratchDir dir;
    for (bool compressed : {false, true}) {
        // Images with their mask.
        TLuxImageList images(nullptr);
        images.Add(nullptr);
        TLuxImageListItem* item = images.Items(0);
        item->SetCompressed(compressed);
        item->SetAllocBy(2);
        // The bottom-left pixel's colour is the transparent one.
        item->ConvertBmpToIML(Letters({"RLBBGL", "LRBLGG"}).get(), 3, true);
        EXPECT_EQ(Picture(*item->GetImageBitmap()), Rows({"RKBBGK", "KRBKGG"}));
        images.SaveToFile(dir.File("i.iml"));
        TLuxImageList imagesBack(nullptr);
        imagesBack.LoadFromFile(dir.File("i.iml"));
        TLuxImageListItem* b = imagesBack.Items(0);
        EXPECT_EQ(b->GetCount(), 3);
        EXPECT_TRUE(b->Masked());
        EXPECT_EQ(b->AllocBy(), 2);
        EXPECT_EQ(Picture(*b->GetImageBitmap()), Rows({"RKBBGK", "KRBKGG"}));
        EXPECT_EQ(Picture(*b->GetImageMaskBitmap()), Rows({"KLKKKL", "LKKLKK"}));
        EXPECT_EQ(b->GetImageMaskBitmap()->PixelFormat(), pf1bit);

        TLuxStringList strings(nullptr);
        strings.Add(nullptr);
        strings.Items(0)->SetCompressed(compressed);
        strings.Items(0)->Items()->SetText("one\r\ntwo\r\n");
        strings.SaveToFile(dir.File("s.sll"));
        TLuxStringList stringsBack(nullptr);
        stringsBack.LoadFromFile(dir.File("s.sll"));
        EXPECT_EQ(stringsBack.Items(0)->Items()->Text(), "one\r\ntwo\r\n");

        TLuxGenericList generic(nullptr);
        generic.Add(nullptr);
        generic.Items(0)->SetCompressed(compressed);
        dir.Write("data.bin", std::string("\x00\x01payload\xFF", 10));
        generic.Items(0)->LoadFromFile(dir.File("data.bin"));
        EXPECT_EQ(generic.Items(0)->FileName(), "data.bin");
        generic.SaveToFile(dir.File("g.gll"));
        TLuxGenericList genericBack(nullptr);
        genericBack.LoadFromFile(dir.File("g.gll"));
        EXPECT_EQ(genericBack.Items(0)->Data()->DataString(), std::string("\x00\x01payload\xFF", 10));
        EXPECT_EQ(genericBack.Items(0)->FileName(), "data.bin");

        TLuxWaveList waves(nullptr);
        waves.Add(nullptr);
        waves.Items(0)->SetCompressed(compressed);
        dir.Write("w.wav", Wave(std::string(64, '\x80')));
        waves.Items(0)->Wave()->LoadFromFile(dir.File("w.wav"));
        waves.SaveToFile(dir.File("w.wvl"));
        TLuxWave wave;
        LuxWVLGetItem(dir.File("w.wvl"), 0, &wave);
        EXPECT_EQ(wave.Data()->DataString(), Wave(std::string(64, '\x80')));
    }
}

// --- Image strips ---------------------------------------------------------------------------------

namespace {

// The used part of an item's strip (or of its mask) as letters.
std::string Used(TLuxImageListItem& item, bool mask = false) {
    TBitmap cut;
    cut.Assign(mask ? item.GetImageMaskBitmap() : item.GetImageBitmap());
    cut.SetSize(item.UsedWidth(), item.Height());
    return Picture(cut);
}

std::unique_ptr<TBitmap> Solid(int w, int h, TColor c) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(TRect(0, 0, w, h));
    return b;
}

} // namespace

TEST(Luxcont, AddGrowsTheStripByAllocByImagesAndStopsAt32768Pixels) {
    TLuxImageListItem item(nullptr); // 16 x 16, AllocBy 4
    auto image = Solid(16, 16, clRed);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 0);
    EXPECT_EQ(item.Add(image.get(), nullptr), 0);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 64);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(item.Add(image.get(), nullptr), i);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 64);
    item.Add(image.get(), nullptr);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 128);
    // Full at 8 images; then one growth straight to the limit, and room only for the rest.
    while (item.GetCount() < 8) item.Add(nullptr, nullptr);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 128);
    item.SetAllocBy(2040);
    item.Add(nullptr, nullptr);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 32768);
    item.SetAllocBy(4);
    while (item.GetCount() < 2048) item.Add(nullptr, nullptr);
    EXPECT_EQ(item.GetImageBitmap()->Width(), 32768);
    EXPECT_EQ(item.Info(2047) & 0xFFFF, 2047u * 16);

    EXPECT_EQ(Message([&] { item.Add(image.get(), nullptr); }), "Too many images");
    EXPECT_THROW(item.Add(image.get(), nullptr), EInvalidGraphicOperation);
    EXPECT_EQ(item.GetCount(), 2048);
    EXPECT_EQ(item.UsedWidth(), 32768);
    TLuxImageListItem one(nullptr);
    one.Add(image.get(), nullptr);
    EXPECT_EQ(Message([&] { item.AddImages(&one); }), "Too many images");
    EXPECT_EQ(item.GetCount(), 2048);
}

// Add without an image makes room and answers the new index, with or without a mask.
TEST(Luxcont, AddWithoutAnImageMakesRoomForOne) {
    const struct {
        const char* what;
        bool masked, mask;
    } cases[] = {
        {"no image, no mask", false, false},
        {"no image, a mask, unmasked item", false, true},
        {"no image, a mask, masked item", true, true},
        {"no image, no mask, masked item", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto item = TLuxImageListItem::CreateSize(2, 1);
        item->SetMasked(c.masked);
        item->Add(Solid(2, 1, clRed).get(), nullptr);
        Listener l;
        item->OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
        auto mask = Solid(2, 1, clWhite);
        EXPECT_EQ(item->Add(nullptr, c.mask ? mask.get() : nullptr), 1);
        EXPECT_EQ(item->GetCount(), 2);
        EXPECT_EQ(item->UsedWidth(), 4);
        EXPECT_EQ(item->Info(1) & 0xFFFF, 2u);
        EXPECT_EQ(l.senders.size(), 1u);
    }
    // A mask of the wrong size is refused as an image would be.
    auto item = TLuxImageListItem::CreateSize(2, 1);
    item->SetMasked(true);
    EXPECT_EQ(Message([&] { item->Add(nullptr, Solid(3, 1, clWhite).get()); }), "Invalid image size");
    EXPECT_EQ(item->GetCount(), 0);
}

// Clear leaves strips without images but of the item's height; the mask stays monochrome.
TEST(Luxcont, ClearLeavesEmptyStripsOfTheItemsHeight) {
    for (bool masked : {false, true}) {
        SCOPED_TRACE(masked);
        auto item = TLuxImageListItem::CreateSize(3, 5);
        item->SetMasked(masked);
        item->Add(Solid(3, 5, clRed).get(), nullptr);
        item->Clear();
        EXPECT_EQ(item->GetCount(), 0);
        EXPECT_EQ(item->UsedWidth(), 0);
        EXPECT_EQ(item->GetImageBitmap()->Width(), 0);
        EXPECT_EQ(item->GetImageBitmap()->Height(), 5);
        EXPECT_EQ(item->GetImageMaskBitmap()->Width(), 0);
        EXPECT_EQ(item->GetImageMaskBitmap()->Height(), masked ? 5 : 0);
        EXPECT_EQ(item->GetImageMaskBitmap()->Monochrome(), masked);
        // And it takes images again.
        EXPECT_EQ(item->Add(Solid(3, 5, clBlue).get(), nullptr), 0);
        EXPECT_EQ(item->GetImageBitmap()->Height(), 5);
    }
}

TEST(Luxcont, StripOperationsKeepImagesAndOffsetsInStep) {
    auto item = TLuxImageListItem::CreateSize(1, 1);
    Listener l;
    item->OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    for (TColor c : {clRed, clBlue, clLime}) item->Add(Solid(1, 1, c).get(), nullptr);
    EXPECT_EQ(Used(*item), "RBG\n");
    item->Insert(1, Solid(1, 1, clWhite).get(), nullptr);
    EXPECT_EQ(Used(*item), "RLBG\n");
    item->Delete(0);
    EXPECT_EQ(Used(*item), "LBG\n");
    item->Delete(3); // beyond the last: nothing
    EXPECT_EQ(item->GetCount(), 3);
    const std::size_t before = l.senders.size();
    item->Move(0, 2);
    EXPECT_EQ(Used(*item), "BGL\n");
    EXPECT_EQ(l.senders.size(), before + 1); // one notification for the move
    item->Replace(1, Solid(1, 1, clBlack).get(), nullptr);
    EXPECT_EQ(Used(*item), "BKL\n");
    item->Insert(7, Solid(1, 1, clGray).get(), nullptr); // past the end: added
    EXPECT_EQ(Used(*item), "BKLS\n");

    auto other = TLuxImageListItem::CreateSize(1, 1);
    other->Add(Solid(1, 1, clRed).get(), nullptr);
    other->Add(Solid(1, 1, clLime).get(), nullptr);
    item->InsertImages(1, other.get());
    EXPECT_EQ(Used(*item), "BRGKLS\n");
    item->AddImages(other.get());
    EXPECT_EQ(Used(*item), "BRGKLSRG\n");
    for (int i = 0; i < item->GetCount(); ++i) EXPECT_EQ(item->Info(i), static_cast<std::uint32_t>(i));
    TBitmap b;
    item->GetBitmap(1, &b);
    EXPECT_EQ(Picture(b), "R\n");
    EXPECT_EQ(item->GetImageRect(2), TRect(2, 0, 3, 1));

    // Sizes.
    EXPECT_EQ(Message([&] { item->Add(Solid(1, 2, clRed).get(), nullptr); }), "Invalid image size");
    auto wide = TLuxImageListItem::CreateSize(2, 1);
    EXPECT_EQ(Message([&] { wide->Add(Solid(3, 1, clRed).get(), nullptr); }), "Invalid image size");
    EXPECT_EQ(Message([&] { item->AddImages(wide.get()); }), "Invalid image size");
    EXPECT_EQ(Message([] { TLuxImageListItem::CreateSize(0, 5); }), "Invalid image size");
    EXPECT_EQ(Message([] { TLuxImageListItem::CreateSize(5, -1); }), "Invalid image size");
    l.senders.clear();
    item->SetWidth(0); // ignored
    EXPECT_EQ(item->GetCount(), 8);
    item->SetWidth(2);
    EXPECT_EQ(item->GetCount(), 0);
    EXPECT_EQ(l.senders.size(), 1u);
    item->OnChange = nullptr;
}

TEST(Luxcont, MaskedImagesDrawThroughTheirMaskByDrawingStyle) {
    auto item = TLuxImageListItem::CreateSize(2, 1);
    item->SetMasked(true);
    item->AddMasked(Letters({"RL"}).get(), clWhite);
    item->AddMasked(Letters({"LB"}).get(), clWhite);
    EXPECT_EQ(Used(*item), "RKKB\n");
    EXPECT_EQ(Used(*item, true), "KLLK\n");
    EXPECT_EQ(item->Info(1), 2u | 1u << 16);

    auto canvas = Solid(4, 1, clYellow);
    item->Draw(canvas->Canvas(), 0, 0, 0);
    item->Draw(canvas->Canvas(), 2, 0, 1);
    EXPECT_EQ(Picture(*canvas), "R..B\n");
    EXPECT_EQ(canvas->Canvas()->CopyMode, cmSrcCopy);

    item->BkColor = clLime;
    canvas = Solid(4, 1, clYellow);
    item->Draw(canvas->Canvas(), 0, 0, 0);
    EXPECT_EQ(Picture(*canvas), "RG..\n");

    item->DrawingStyle = dsSelected;
    item->BlendColor = clBlue;
    canvas = Solid(4, 1, clYellow);
    item->Draw(canvas->Canvas(), 0, 0, 0);
    EXPECT_EQ(Picture(*canvas), "RB..\n"); // checkered: (1, 0) only

    item->DrawingStyle = dsTransparent;
    item->ImageType = itMask;
    canvas = Solid(4, 1, clYellow);
    item->Draw(canvas->Canvas(), 0, 0, 1);
    EXPECT_EQ(Picture(*canvas), "LK..\n");

    // Through the image list: the masked draw of LuxBmpDrawExt.
    TLuxImageList list(nullptr);
    list.Add(nullptr);
    list.Items(0)->Assign(item.get());
    EXPECT_TRUE(list.Masked(0));
    EXPECT_EQ(list.ItemCount(0), 2);
    EXPECT_EQ(list.ItemCount(1), -1);
    EXPECT_TRUE(list.IsValidItem(0, 1));
    EXPECT_FALSE(list.IsValidItem(0, 2));
    EXPECT_EQ(list.Dimensions(0, 0), 2);
    EXPECT_EQ(list.Dimensions(0, 1), 1);
    EXPECT_EQ(list.Dimensions(0, 2), 0);
    EXPECT_EQ(list.TransparentColor(3, 0), static_cast<TColor>(0xFFFFFF));
    canvas = Solid(4, 1, clYellow);
    list.DrawExt(canvas->Canvas(), TRect(1, 0, 3, 1), 0, 0, 1);
    EXPECT_EQ(Picture(*canvas), "..B.\n");
    item->SetMasked(false);
    EXPECT_TRUE(item->GetImageMaskBitmap()->Empty());
}

TEST(Luxcont, PatternsBlendEveryOtherPixel) {
    TLuxImageListItem item(nullptr);
    auto b = Solid(3, 3, clYellow);
    item.CreatePattern(b.get(), true); // blend colour clNone: nothing
    EXPECT_EQ(Picture(*b), Rows({"...", "...", "..."}));
    item.BlendColor = clRed;
    item.CreatePattern(b.get(), true);
    EXPECT_EQ(Picture(*b), Rows({".R.", "R.R", ".R."}));
    b = Solid(3, 3, clYellow);
    item.CreatePattern(b.get(), false);
    EXPECT_EQ(Picture(*b), Rows({"RRR", "R.R", "RRR"}));
}

// --- Bad data and files ---------------------------------------------------------------------------

TEST(Luxcont, BadDataRaisesAndLeavesTheListAsItWas) {
    const std::string image = Bmp24(1, 1, 0, 0, 255);
    const std::string strip = Le32(static_cast<std::uint32_t>(image.size())) + image;
    const auto imageRecord = [](int h, int w, int count) {
        return std::string(1, '\0') + Le32(static_cast<std::uint32_t>(h)) +
               Le32(static_cast<std::uint32_t>(w)) + Le32(4) + '\0' + Le32(static_cast<std::uint32_t>(count));
    };
    struct Case {
        const char* name;
        TLuxListItemClassType type;
        std::string bytes;
    };
    const Case cases[] = {
        {"negative count", icBitmap, Le32(0xFFFFFFFF)},
        {"count cut short", icBitmap, std::string("\x01\x00", 2)},
        {"count beyond the data", icBitmap, Le32(5) + '\0'},
        {"record missing", icBitmap, Le32(2) + '\0'},
        {"bitmap length beyond the data", icBitmap, Le32(1) + "\x08" + Le32(1000) + "BM"},
        {"bitmap length negative", icBitmap, Le32(1) + "\x08" + Le32(0xFFFFFFF0)},
        {"description cut short", icBitmap, Le32(1) + "\x02\x09" + "abc"},
        {"width 0", icImageList, Le32(1) + imageRecord(16, 0, 0)},
        {"height 0", icImageList, Le32(1) + imageRecord(0, 16, 0)},
        {"negative image count", icImageList, Le32(1) + imageRecord(16, 16, -1)},
        {"strip above 32768 pixels", icImageList, Le32(1) + imageRecord(1, 16, 2049) + strip},
        {"strip too narrow", icImageList, Le32(1) + imageRecord(1, 1, 2) + strip},
        {"strip too low", icImageList, Le32(1) + imageRecord(2, 1, 1) + strip},
        {"mask missing", icImageList,
         Le32(1) + std::string(1, '\0') + Le32(1) + Le32(1) + Le32(4) + '\x01' + Le32(1) + strip},
        {"generic length beyond the data", icGeneric, Le32(1) + "\x08" + Le32(100) + "ab"},
        {"generic file name missing", icGeneric, Le32(1) + std::string(1, '\0')},
        {"generic frame cut short", icGeneric, Le32(1) + "\x09" + Le32(50)},
        {"strings beyond the data", icStringList, Le32(1) + "\x08" + Le32(50) + "x"},
        {"wave size negative", icWave, Le32(1) + "\x08" + Le32(0xFFFFFFFB)},
    };
    for (const Case& c : cases) {
        std::unique_ptr<TLuxCustomContainer> list;
        switch (c.type) {
        case icImageList:
            list = std::make_unique<TLuxImageList>(nullptr);
            break;
        case icGeneric:
            list = std::make_unique<TLuxGenericList>(nullptr);
            break;
        case icStringList:
            list = std::make_unique<TLuxStringList>(nullptr);
            break;
        case icWave:
            list = std::make_unique<TLuxWaveList>(nullptr);
            break;
        default:
            list = std::make_unique<TLuxBitmapList>(nullptr);
            break;
        }
        list->Add(nullptr);
        list->GetItem(0)->SetDescription("keep");
        Listener l, links;
        list->OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
        TLuxChangeLink link;
        link.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&links);
        list->RegisterChanges(&link);
        EXPECT_THROW(Load(*list, c.bytes), EReadError) << c.name;
        ASSERT_EQ(list->GetCount(), 1) << c.name;
        EXPECT_EQ(list->GetItem(0)->Description(), "keep") << c.name;
        EXPECT_TRUE(l.senders.empty()) << c.name;
        EXPECT_TRUE(links.senders.empty()) << c.name;
        // No update bracket was left open.
        list->Add(nullptr);
        EXPECT_EQ(l.senders.size(), 1u) << c.name;
        list->OnChange = nullptr;
    }
}

TEST(Luxcont, ListFilesWithBadHeadersRaiseOverTheFileSystem) {
    ScratchDir dir;
    TLuxBitmapList list(nullptr);
    list.Add(nullptr);
    list.Items(0)->SetDescription("keep");
    int count = 0;
    std::vector<std::int32_t> offsets;

    // Missing, a directory, unreadable.
    EXPECT_THROW(list.LoadFromFile(dir.File("missing.bml")), EFOpenError);
    EXPECT_THROW(LuxListGetFileType(dir.File("missing.bml"), count, &offsets), EFOpenError);
    std::filesystem::create_directory(dir.path / "sub.bml");
    EXPECT_THROW(list.LoadFromFile(dir.File("sub.bml")), EFOpenError);
    TBitmap b;
    EXPECT_THROW(LuxBMLGetItem(dir.File("sub.bml"), 0, &b), EFOpenError);
    list.SaveToFile(dir.File("locked.bml"));
    std::filesystem::permissions(dir.path / "locked.bml", std::filesystem::perms::none);
    if (geteuid() != 0) { // the superuser reads it anyway
        EXPECT_THROW(list.LoadFromFile(dir.File("locked.bml")), EFOpenError);
    }

    // Another signature, or too few bytes for one.
    dir.Write("other.bml", Sig("LUXXML30") + Le32(0));
    EXPECT_EQ(Message([&] { list.LoadFromFile(dir.File("other.bml")); }),
              "Cannot open file %s: TLuxBitmapList");
    EXPECT_EQ(LuxListGetFileType(dir.File("other.bml"), count, &offsets), icInvalid);
    EXPECT_EQ(count, -1);
    dir.Write("short.bml", "\x08LUX");
    EXPECT_EQ(LuxListGetFileType(dir.File("short.bml"), count, nullptr), icInvalid);
    TLuxImageListItem item(nullptr);
    EXPECT_EQ(Message([&] { item.LoadFromFile(dir.File("other.bml")); }),
              "Cannot open file %s: TLuxImageListItem");

    // Counts and offsets outside the file.
    dir.Write("cut.bml", Sig("LUXBML30") + Le32(3) + Le32(25));
    EXPECT_THROW(list.LoadFromFile(dir.File("cut.bml")), EReadError);
    EXPECT_THROW(LuxListGetFileType(dir.File("cut.bml"), count, &offsets), EReadError);
    dir.Write("far.bml", Sig("LUXBML30") + Le32(1) + Le32(999) + '\0');
    EXPECT_THROW(LuxListGetFileType(dir.File("far.bml"), count, &offsets), EReadError);
    EXPECT_THROW(LuxBMLGetItem(dir.File("far.bml"), 0, &b), EReadError);
    EXPECT_THROW(LuxBMLGetItem(dir.File("cut.bml"), 0, &b), EReadError);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.Items(0)->Description(), "keep");

    // The type is checked also when the caller brings the offsets.
    TLuxImageList images(nullptr);
    images.Add(nullptr);
    images.SaveToFile(dir.File("images.iml"));
    list.SaveToFile(dir.File("good.bml"));
    ASSERT_EQ(LuxListGetFileType(dir.File("good.bml"), count, &offsets), icBitmap);
    TLuxBitmapListItem into(nullptr);
    EXPECT_EQ(Message([&] { LuxListGetItemFromFile(dir.File("images.iml"), icBitmap, &offsets, &into, 0); }),
              "Cannot open file %s: " + dir.File("images.iml"));
    EXPECT_TRUE(LuxListGetItemFromFile(dir.File("good.bml"), icBitmap, &offsets, &into, 0));
    EXPECT_EQ(into.Description(), "keep");
    EXPECT_THROW(LuxListGetItemFromFile(dir.File("good.bml"), icBitmap, &offsets, &into, 1), EListError);
    TMemoryStream stream;
    EXPECT_FALSE(LuxListGetItemFromStream(&stream, nullptr, 0, &into));

    // A bitmap file that cannot be cut into the count of images.
    dir.Write("odd.bmp", Bmp24(3, 1, 0, 0, 0));
    EXPECT_EQ(Message([&] { item.LoadFromBitmap(dir.File("odd.bmp"), 2, false); }),
              "Cannot open file %s: " + dir.File("odd.bmp"));
    EXPECT_TRUE(item.LoadFromBitmap(dir.File("odd.bmp"), 3, false));
    EXPECT_EQ(item.GetCount(), 3);
    EXPECT_EQ(item.Description(), "odd.bmp");
}

// --- Lazy bitmaps ---------------------------------------------------------------------------------

TEST(Luxcont, ALazyBitmapCountsAsEmptyUntilFetched) {
    ScratchDir dir;
    const std::string blue = Bmp24(2, 1, 255, 0, 0), red = Bmp24(1, 1, 0, 0, 255);
    {
        TLuxBitmapList file(nullptr);
        file.Add(nullptr);
        file.Add(nullptr);
        file.Items(1)->SetBitmap(FromBmp(blue).get());
        file.SaveToFile(dir.File("lazy.bml"));
    }
    // The program's bitmap resource 7.
    static const std::string resource = red;
    static const TResourceItem items[] = {{"7", RT_BITMAP,
                                           reinterpret_cast<const unsigned char*>(resource.data()),
                                           static_cast<DWORD>(resource.size())}};
    static const TResourceTable table(items, 1);
    dir.Write("pic7.bmp", blue);

    TLuxBitmapList list(nullptr);
    list.Add(nullptr);
    list.Items(0)->SetIdent(1);
    list.SetPrefix(ppFixed);
    list.SetFileName(dir.File("lazy.bml"));
    list.SetSource(sdFile);
    EXPECT_FALSE(list.IsValidItem(0, 0));
    EXPECT_EQ(list.ItemCount(0), 0);
    Listener l;
    list.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    EXPECT_EQ(list.Dimensions(0, 0), 2); // the getter fetched it
    EXPECT_TRUE(l.senders.empty());      // without notification
    EXPECT_TRUE(list.IsValidItem(0, 0));
    EXPECT_EQ(OwnForm(*list.Items(0)->Bitmap()), blue);
    list.OnChange = nullptr;

    // A new source frees the data; it is fetched again on demand.
    list.Items(0)->SetIdent(7);
    list.SetSource(sdAppResource);
    EXPECT_FALSE(list.IsValidItem(0, 0));
    EXPECT_EQ(OwnForm(*list.Items(0)->Bitmap()), red);

    list.SetFileName(dir.File("picture.bml"));
    list.SetSource(sdPath); // dir + "pic" + "7" + ".bmp"
    EXPECT_EQ(OwnForm(*list.Items(0)->Bitmap()), blue);

    // While loading nothing is fetched.
    list.SetSource(sdLibResource);
    list.SetSource(sdPath);
    list.BeginLoading();
    EXPECT_TRUE(list.Items(0)->Bitmap()->Empty());
    list.EndLoading();

    // No library module can be loaded: the bitmap stays empty.
    list.SetSource(sdLibResource);
    EXPECT_TRUE(list.Items(0)->Bitmap()->Empty());
    TBitmap b;
    EXPECT_FALSE(LuxBmpLoadFromFile(dir.File("pic7.bmp"), 7, &b));
    EXPECT_FALSE(LuxBmpLoad(HInstance, 7, &b));
    EXPECT_TRUE(b.Empty());
}

// --- Form data ------------------------------------------------------------------------------------

TEST(Luxcont, ListItemsTravelInFormDataAsInternalRecords) {
    TGlyphForm form(nullptr);
    auto* images = new TLuxImageList(&form);
    images->SetName("Images");
    images->Add(nullptr);
    TLuxImageListItem* item = images->Items(0);
    item->SetDescription("arrows");
    item->ConvertBmpToIML(Letters({"RRBBGG"}).get(), 3, false);
    auto* strings = new TLuxStringList(&form);
    strings->SetName("Strings");
    strings->Add(nullptr);
    strings->Items(0)->Items()->SetText("a\r\n");

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&form);
    const std::string bytes = stream.DataString();
    EXPECT_NE(bytes.find(Le32(8) + "Internal" + '\x07'), std::string::npos);

    TMemoryStream in(bytes);
    std::unique_ptr<TComponent> back(TReader(&in).ReadRootComponent(nullptr));
    auto* imagesBack = dynamic_cast<TLuxImageList*>(back->FindComponent("Images"));
    auto* stringsBack = dynamic_cast<TLuxStringList*>(back->FindComponent("Strings"));
    ASSERT_NE(imagesBack, nullptr);
    ASSERT_NE(stringsBack, nullptr);
    ASSERT_EQ(imagesBack->GetCount(), 1);
    EXPECT_EQ(imagesBack->Items(0)->Description(), "arrows");
    EXPECT_EQ(imagesBack->Items(0)->Width(), 2);
    EXPECT_EQ(Used(*imagesBack->Items(0)), "RRBBGG\n");
    EXPECT_EQ(imagesBack->Items(0)->Owner(), imagesBack);
    ASSERT_EQ(stringsBack->GetCount(), 1);
    EXPECT_EQ(stringsBack->Items(0)->Items()->Text(), "a\r\n");

    // Bad item data stops the reading with EReadError.
    std::string bad = bytes;
    const std::size_t at = bad.find(Le32(8) + "Internal" + '\x07');
    bad[at + 13 + 4] = '\x10'; // the flag byte of the first record, then a cut-short record follows
    bad.replace(at + 13 + 5, 4, Le32(0));
    TMemoryStream badIn(bad);
    EXPECT_THROW(TReader(&badIn).ReadRootComponent(nullptr), EReadError);
}

TEST_F(WithContainer, TheContainerControlStreamsTheGlobalLists) {
    TGlyphForm form(nullptr);
    auto* ctrl = new TLuxContainerCtrl(&form);
    ctrl->SetName("Container1");
    ASSERT_EQ(ctrl->Container(), LuxContainer);
    LuxContainer->StringList()->Add(nullptr);
    LuxContainer->StringList()->Items(0)->SetDescription("s");
    LuxContainer->BitmapList()->Add(nullptr);
    LuxContainer->BitmapList()->Items(0)->SetBitmap(FromBmp(Bmp24(1, 1, 0, 0, 255)).get());

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&form);
    const std::string bytes = stream.DataString();
    const std::string strings = Le32(1) + "\x02" + Short("s");
    EXPECT_NE(bytes.find(Le32(10) + "StringList" + '\x07' + Le32(static_cast<std::uint32_t>(strings.size())) +
                         strings),
              std::string::npos);
    const std::size_t bitmapAt = bytes.find(Le32(10) + "BitmapList" + '\x07');
    EXPECT_NE(bitmapAt, std::string::npos);
    EXPECT_LT(bitmapAt, bytes.find("StringList"));
    EXPECT_EQ(bytes.find("WaveList"), std::string::npos);
    EXPECT_EQ(bytes.find("ImageList"), std::string::npos);

    LuxContainer->StringList()->Clear();
    LuxContainer->BitmapList()->Clear();
    TMemoryStream in(bytes);
    std::unique_ptr<TComponent> back(TReader(&in).ReadRootComponent(nullptr));
    ASSERT_EQ(LuxContainer->StringList()->GetCount(), 1);
    EXPECT_EQ(LuxContainer->StringList()->Items(0)->Description(), "s");
    ASSERT_EQ(LuxContainer->BitmapList()->GetCount(), 1);
    EXPECT_FALSE(LuxContainer->BitmapList()->Items(0)->GetEmpty());
}

TEST_F(WithContainer, AtDesignTimeTheControlKeepsItsOwnContainerCopiedIntoTheGlobalOne) {
    auto form = std::make_unique<TDesignForm>(nullptr);
    form->Design();
    auto* ctrl = new TLuxContainerCtrl(form.get());
    ASSERT_NE(ctrl->Container(), LuxContainer);
    EXPECT_EQ(Message([&] { new TLuxContainerCtrl(form.get()); }),
              "TLuxContainerCtrl:\rInvalid owner (<>TForm) or second instance on a form");
    EXPECT_EQ(form->ComponentCount(), 1);

    // A list changed at design time is copied into the global container; the control's removal
    // empties the global lists again.
    const struct {
        const char* what;
        TLuxCustomContainer* (*list)(TLuxContainer*);
    } cases[] = {
        {"bitmaps", [](TLuxContainer* c) -> TLuxCustomContainer* { return c->BitmapList(); }},
        {"images", [](TLuxContainer* c) -> TLuxCustomContainer* { return c->ImageList(); }},
        {"waves", [](TLuxContainer* c) -> TLuxCustomContainer* { return c->WaveList(); }},
        {"strings", [](TLuxContainer* c) -> TLuxCustomContainer* { return c->StringList(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.list(LuxContainer)->GetCount(), 0);
        c.list(ctrl->Container())->Add(nullptr);
        c.list(ctrl->Container())->Add(nullptr);
        EXPECT_EQ(c.list(LuxContainer)->GetCount(), 2);
        EXPECT_NE(c.list(LuxContainer)->GetItem(0), c.list(ctrl->Container())->GetItem(0)) << "a copy";
    }
    // A container outside the designer keeps its changes to itself.
    TLuxContainer loose(nullptr);
    loose.StringList()->Add(nullptr);
    EXPECT_EQ(LuxContainer->StringList()->GetCount(), 2);
    form.reset();
    for (const auto& c : cases) EXPECT_EQ(c.list(LuxContainer)->GetCount(), 0) << c.what;
}

TEST(Luxcont, AssignCopiesListsAndItems) {
    TLuxBitmapList a(nullptr), b(nullptr);
    a.SetDefaultCompressed(true);
    a.SetDefaultPixelFormat(spf8bit);
    a.Add(nullptr);
    a.Items(0)->SetDescription("x");
    a.Items(0)->SetIdent(3);
    a.Items(0)->SetBitmap(FromBmp(Bmp24(1, 1, 0, 0, 255)).get());
    b.Add(nullptr);
    b.Add(nullptr);
    Listener l;
    b.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    b.Assign(&a);
    EXPECT_EQ(l.senders, std::vector<TObject*>{&b});
    ASSERT_EQ(b.GetCount(), 1);
    EXPECT_EQ(b.Items(0)->Description(), "x");
    EXPECT_EQ(b.Items(0)->Ident(), 3);
    EXPECT_FALSE(b.Items(0)->GetEmpty());
    EXPECT_TRUE(b.DefaultCompressed());
    EXPECT_EQ(b.DefaultPixelFormat(), spf8bit);
    b.OnChange = nullptr;
    TLuxImageList other(nullptr);
    EXPECT_THROW(other.Assign(&a), EConvertError);

    b.Add(nullptr);
    b.Items(1)->SetDescription("y");
    b.Move(1, 0);
    EXPECT_EQ(b.Items(0)->Description(), "y");
    EXPECT_EQ(b.Items(1)->GetIndex(), 1);
    b.Delete(0);
    EXPECT_EQ(b.GetCount(), 1);
    EXPECT_THROW(b.Delete(4), EListError);
    TLuxBitmapListItem loose(nullptr);
    EXPECT_EQ(loose.GetIndex(), -1);
}

TEST(Luxcont, ConnectorAndGraphicListDrawTheClassLibrarysListsAndPictures) {
    TComponent owner(nullptr);
    auto* lib = new TImageList(&owner, 2, 1);
    lib->Add(Letters({"RB"}).get(), nullptr);
    auto* connector = new TLuxImageListConnector(&owner);
    Listener l;
    connector->OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    auto* entry = static_cast<TLuxBorImageListItem*>(connector->ImageLists()->Add());
    entry->SetName("lib");
    entry->SetImageList(lib);
    EXPECT_FALSE(l.senders.empty());
    EXPECT_EQ(connector->GetCount(), 1);
    EXPECT_EQ(connector->GetItem(0)->Description(), "lib");
    EXPECT_TRUE(connector->IsValidItem(0, 0));
    EXPECT_FALSE(connector->IsValidItem(0, 1));
    EXPECT_EQ(connector->ItemCount(0), 1);
    EXPECT_EQ(connector->ItemCount(1), -1);
    EXPECT_EQ(connector->ItemRect(0, 0), TRect(0, 0, 2, 1));
    EXPECT_EQ(connector->BmpCanvas(0), nullptr);
    EXPECT_EQ(connector->GetColorAtPoint(TPoint(0, 0), 0, 0), static_cast<TColor>(0xFFFFFF));
    EXPECT_TRUE(LuxIsCollectionImageList(connector));
    auto canvas = Solid(4, 1, clYellow);
    connector->Draw(canvas->Canvas(), 1, 0, 0, 0);
    EXPECT_EQ(Picture(*canvas), ".RB.\n");
    const std::size_t heard = l.senders.size();
    lib->Add(Letters({"GG"}).get(), nullptr); // through the entry's change link
    EXPECT_GT(l.senders.size(), heard);
    delete lib;
    EXPECT_EQ(entry->ImageList(), nullptr);
    EXPECT_FALSE(connector->IsValidItem(0, 0));
    connector->OnChange = nullptr;

    TLuxGraphicList graphics(nullptr);
    graphics.OnChange = TNotifyEvent::Bind<&Listener::Changed>(&l);
    auto* picture = static_cast<TLuxGraphicListItem*>(graphics.Graphics()->Add());
    picture->SetName("p");
    l.senders.clear();
    picture->Picture()->Assign(Letters({"RG"}).get());
    EXPECT_FALSE(l.senders.empty());
    EXPECT_EQ(graphics.GetItem(0)->Description(), "p");
    EXPECT_TRUE(graphics.IsValidItem(0, 99));
    EXPECT_EQ(graphics.ItemCount(0), 1);
    EXPECT_EQ(graphics.ItemCount(1), 0);
    EXPECT_EQ(graphics.TransparentColor(1, 0), clNone);
    canvas = Solid(4, 1, clYellow);
    graphics.Draw(canvas->Canvas(), 2, 0, 0, 42); // whatever the image index
    EXPECT_EQ(Picture(*canvas), "..RG\n");
    TBitmap copy;
    graphics.GetBitmapItem(0, 0, &copy);
    EXPECT_EQ(Picture(copy), "RG\n");
    graphics.OnChange = nullptr;
}
