#include "platform/ui/Filer.h"

#include "platform/ui/Collection.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that their class names are plain.
enum TShade { shLight, shMedium, shDark };
enum class TMark { mkA, mkB, mkC };

class TPen2 : public TPersistent {
public:
    int Width = 1;
    std::string Style;
};

// A component with one property of every kind, a sub-object, a reference and two defined ones.
class TItem : public TComponent {
public:
    explicit TItem(TComponent* AOwner) : TComponent(AOwner) {}
    ~TItem() override = default;

    int Count = 3;
    TShade Shade = shMedium;
    TSet<TMark> Marks;
    double Ratio = 0;
    std::string Caption;
    char Letter = 'x';
    bool Flag = true;
    TPen2 Pen;
    TComponent* Link = nullptr;
    std::string Data;               // the binary property "Data"
    std::vector<std::string> Extra; // the property "Extra", a list
    TComponent* ReaderParent = nullptr;
    int LoadedCalls = 0;
    bool LoadingWhileRead = false;

    void DefineProperties(TFiler* Filer) override {
        Filer->DefineBinaryProperty(
            "Data",
            [this](TStream* s) {
                Data.assign(static_cast<std::size_t>(s->Size()), '\0'),
                    s->ReadBuffer(Data.data(), static_cast<std::int32_t>(Data.size()));
            },
            [this](TStream* s) { s->WriteBuffer(Data.data(), static_cast<std::int32_t>(Data.size())); },
            !Data.empty());
        Filer->DefineProperty(
            "Extra",
            [this](TReader* r) {
                Extra.clear();
                r->ReadListBegin();
                while (!r->EndOfList()) Extra.push_back(r->ReadString());
                r->ReadListEnd();
            },
            [this](TWriter* w) {
                w->WriteListBegin();
                for (const auto& e : Extra) w->WriteString(e);
                w->WriteListEnd();
            },
            !Extra.empty());
    }
    void ReadState(TReader* Reader) override {
        ReaderParent = Reader->Parent();
        TComponent::ReadState(Reader);
        LoadingWhileRead = ComponentState().Contains(TComponentStateItem::csLoading);
    }

protected:
    void Loaded() override { ++LoadedCalls; }
};

// Writes the items it owns as its children.
class TBox : public TComponent {
public:
    using TComponent::TComponent;
    int Size = 0;
    void GetChildren(TGetChildProc Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }
};

// Declares Shade again with another default.
class TDarkItem : public TItem {
public:
    explicit TDarkItem(TComponent* AOwner) : TItem(AOwner) { Shade = shDark; }
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TPen2>({Field<TPen2>("Width", &TPen2::Width, 1), Field<TPen2>("Style", &TPen2::Style)});
    PublishProperties<TItem, TComponent>({
        Field<TItem>("Count", &TItem::Count, 3),
        Field<TItem>("Shade", &TItem::Shade, shMedium),
        Field<TItem>("Marks", &TItem::Marks, 0),
        Field<TItem>("Ratio", &TItem::Ratio),
        Field<TItem>("Caption", &TItem::Caption),
        Field<TItem>("Letter", &TItem::Letter, 'x'),
        Field<TItem>("Flag", &TItem::Flag, 1),
        Property<TItem>(
            "Pen", [](const TItem& i) { return const_cast<TPen2*>(&i.Pen); }, nullptr),
        Field<TItem>("Link", &TItem::Link),
    });
    PublishProperties<TDarkItem, TItem>({Property<TDarkItem>(
        "Shade", [](const TDarkItem& i) { return i.Shade; }, [](TDarkItem& i, TShade v) { i.Shade = v; },
        shDark)});
    PublishProperties<TBox, TComponent>({Field<TBox>("Size", &TBox::Size)});
    RegisterClass<TItem>();
    RegisterClass<TBox>();
    return true;
}();

std::string Save(TComponent* root) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return std::string(reinterpret_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

std::unique_ptr<TComponent> Load(const std::string& bytes) {
    TMemoryStream stream(bytes);
    TReader reader(&stream);
    return std::unique_ptr<TComponent>(reader.ReadRootComponent(nullptr));
}

bool Contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

} // namespace

TEST(Filer, PublishedPropertiesOfTheMostDerivedClassAncestorsFirst) {
    TItem item(nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(&item)) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Count", "Shade", "Marks", "Ratio", "Caption",
                                               "Letter", "Flag", "Pen", "Link"}));
    const struct {
        const char* name;
        TTypeKind kind;
    } kinds[] = {{"count", TTypeKind::tkInteger},    {"Shade", TTypeKind::tkEnumeration},
                 {"MARKS", TTypeKind::tkSet},        {"Ratio", TTypeKind::tkFloat},
                 {"Caption", TTypeKind::tkLString},  {"Letter", TTypeKind::tkChar},
                 {"Flag", TTypeKind::tkEnumeration}, {"Pen", TTypeKind::tkClass}};
    for (const auto& k : kinds) {
        const TPropInfo* p = GetPropInfo(&item, k.name);
        ASSERT_NE(p, nullptr) << k.name;
        EXPECT_EQ(p->Kind, k.kind) << k.name;
    }
    EXPECT_EQ(GetPropInfo(&item, "Missing"), nullptr);
    EXPECT_FALSE(GetPropInfo(&item, "Pen")->HasSetter())
        << "a sub-object is changed through its own properties";
}

TEST(Filer, APropertyDeclaredAgainKeepsItsPlaceWithTheNewDefault) {
    TDarkItem item(nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(&item)) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Tag", "Count", "Shade", "Marks", "Ratio", "Caption",
                                               "Letter", "Flag", "Pen", "Link"}));
    EXPECT_EQ(GetPropInfo(&item, "shade")->Default, shDark);
    EXPECT_FALSE(Contains(Save(&item), "Shade")) << "the new default is not written";
}

TEST(Filer, ARootWithChildrenComesBackWithEveryPropertyAndItsDefinedBytes) {
    TBox box(nullptr);
    box.SetName("Box1");
    box.Size = 7;
    auto* first = new TItem(&box);
    first->SetName("First");
    auto* second = new TItem(&box);
    second->SetName("Second");
    second->Count = -5;
    second->Shade = shDark;
    second->Marks = {TMark::mkA, TMark::mkC};
    second->Ratio = 2.5;
    second->Caption = std::string("caf\xe9\0!", 6);
    second->Letter = 'q';
    second->Flag = false;
    second->Tag = 99;
    second->Pen.Width = 4;
    second->Pen.Style = "dash";
    second->Link = first;
    for (int b = 0; b < 256; ++b) second->Data += static_cast<char>(b);
    second->Extra = {"one", "", "three"};

    const std::string bytes = Save(&box);
    EXPECT_EQ(bytes.substr(0, 4), "VXF1");
    EXPECT_TRUE(Contains(bytes, second->Data)) << "a binary property is stored as its writer wrote it";
    // Values at their declared default are not written.
    const std::string firstPart = bytes.substr(0, bytes.find("Second"));
    for (const char* name :
         {"Count", "Shade", "Marks", "Ratio", "Caption", "Letter", "Flag", "Data", "Extra", "Pen."})
        EXPECT_FALSE(Contains(firstPart, name)) << name;

    auto loaded = Load(bytes);
    auto* box2 = dynamic_cast<TBox*>(loaded.get());
    ASSERT_NE(box2, nullptr);
    EXPECT_EQ(box2->Name(), "Box1");
    EXPECT_EQ(box2->Size, 7);
    ASSERT_EQ(box2->ComponentCount(), 2);
    auto* a = dynamic_cast<TItem*>(box2->Components(0));
    auto* b = dynamic_cast<TItem*>(box2->Components(1));
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->Name(), "First");
    EXPECT_EQ(a->Count, 3);
    EXPECT_TRUE(a->Data.empty());
    EXPECT_EQ(b->Name(), "Second");
    EXPECT_EQ(b->Count, -5);
    EXPECT_EQ(b->Shade, shDark);
    EXPECT_TRUE(b->Marks == (TSet<TMark>{TMark::mkA, TMark::mkC}));
    EXPECT_EQ(b->Ratio, 2.5);
    EXPECT_EQ(b->Caption, second->Caption);
    EXPECT_EQ(b->Letter, 'q');
    EXPECT_FALSE(b->Flag);
    EXPECT_EQ(b->Tag, 99);
    EXPECT_EQ(b->Pen.Width, 4);
    EXPECT_EQ(b->Pen.Style, "dash");
    EXPECT_EQ(b->Link, a) << "a reference is resolved once every component is read";
    EXPECT_EQ(b->Data, second->Data);
    EXPECT_EQ(b->Extra, second->Extra);
    for (TItem* item : {a, b}) {
        EXPECT_EQ(item->ReaderParent, box2) << "children are read with their parent in the reader";
        EXPECT_TRUE(item->LoadingWhileRead);
        EXPECT_EQ(item->LoadedCalls, 1);
        EXPECT_FALSE(item->ComponentState().Contains(TComponentStateItem::csLoading));
    }
    EXPECT_EQ(Save(box2), bytes) << "written again, the same bytes";

    // Read into an existing root of the same class.
    TBox into(nullptr);
    TMemoryStream stream(bytes);
    TReader reader(&stream);
    EXPECT_EQ(reader.ReadRootComponent(&into), &into);
    EXPECT_EQ(into.ComponentCount(), 2);
    TItem wrong(nullptr);
    TMemoryStream again(bytes);
    TReader reader2(&again);
    EXPECT_THROW(reader2.ReadRootComponent(&wrong), EReadError);
}

TEST(Filer, DamagedStreamsAreRefused) {
    TBox box(nullptr);
    auto* item = new TItem(&box);
    item->SetName("It");
    item->Caption = "text";
    item->Data = "0123456789";
    item->Extra = {"a"};
    const std::string good = Save(&box);

    // Cut off anywhere: refused, and nothing made is left behind (the leak checker watches).
    for (std::size_t n = 0; n < good.size(); ++n) EXPECT_THROW(Load(good.substr(0, n)), EReadError) << n;

    auto patched = [&](const std::string& what, const std::string& with) {
        std::string s = good;
        const std::size_t at = s.find(what);
        EXPECT_NE(at, std::string::npos) << what;
        return s.replace(at, what.size(), with);
    };
    const struct {
        const char* why;
        std::string bytes;
    } refused[] = {
        {"not our signature", "VXF2" + good.substr(4)},
        {"a length past the end", patched(std::string("\x0a\0\0\0"
                                                      "0123456789",
                                                      14),
                                          std::string("\xff\xff\xff\x7f"
                                                      "0123456789",
                                                      14))},
        {"a property nobody has", patched("Caption", "Caxtion")},
        {"a defined property nobody defines", patched("Extra", "Extro")},
        {"a value of the wrong kind",
         patched(std::string("\x04\x04\0\0\0text", 9), std::string("\x06\x04\0\0\0text", 9))},
        {"an unknown value tag",
         patched(std::string("\x04\x04\0\0\0text", 9), std::string("\x3f\x04\0\0\0text", 9))},
    };
    for (const auto& r : refused) EXPECT_THROW(Load(r.bytes), EReadError) << r.why;
    EXPECT_THROW(Load(patched("TItem", "TNone")), EClassNotFound);
    EXPECT_THROW(FindClass("TNone"), EClassNotFound);
    EXPECT_FALSE(GetClass("TNone"));
    EXPECT_TRUE(GetClass("titem")) << "class names are found without regard to case";
}

// A published collection: rows of a table, each with published properties of its own.
class TRow : public TCollectionItem {
public:
    using TCollectionItem::TCollectionItem;
    std::string Title;
    int Width = 0;
    TPen2 Pen;
};

class TRows : public TCollection {
public:
    TRows() : TCollection(ItemClassOf<TRow>()) {}
    TRow* Row(int i) const { return static_cast<TRow*>(Items(i)); }
    int updates = 0;

protected:
    void Update(TCollectionItem*) override { ++updates; }
};

class TTable : public TComponent {
public:
    using TComponent::TComponent;
    TRows Rows;
};

namespace {

const bool kRowsRegistered = [] {
    using namespace published;
    PublishProperties<TRow>({Field<TRow>("Title", &TRow::Title), Field<TRow>("Width", &TRow::Width, 0),
                             Property<TRow>(
                                 "Pen", [](const TRow& r) { return const_cast<TPen2*>(&r.Pen); }, nullptr)});
    PublishProperties<TTable, TComponent>({Property<TTable>(
        "Rows", [](const TTable& t) { return const_cast<TRows*>(&t.Rows); }, nullptr)});
    RegisterClass<TTable>();
    return true;
}();

TRow* AddRow(TTable& t, const std::string& title, int width, int penWidth = 1) {
    auto* row = static_cast<TRow*>(t.Rows.Add());
    row->Title = title;
    row->Width = width;
    row->Pen.Width = penWidth;
    return row;
}

} // namespace

TEST(Filer, ACollectionComesBackWithEveryItemInOneUpdate) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, int>> rows;
    } cases[] = {
        {"three rows", {{"alpha", 10}, {"", 0}, {"gamma", -3}}},
        {"no rows: the reader's rows go", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTable table(nullptr);
        table.SetName("Table1");
        int pen = 2;
        for (const auto& [title, width] : c.rows) AddRow(table, title, width, pen++);
        const std::string bytes = Save(&table);

        TTable into(nullptr);
        AddRow(into, "old", 99);
        into.Rows.updates = 0;
        TMemoryStream stream(bytes);
        TReader reader(&stream);
        reader.ReadRootComponent(&into);
        ASSERT_EQ(into.Rows.Count(), static_cast<int>(c.rows.size()));
        for (int i = 0; i < into.Rows.Count(); ++i) {
            EXPECT_EQ(into.Rows.Row(i)->Title, c.rows[static_cast<std::size_t>(i)].first);
            EXPECT_EQ(into.Rows.Row(i)->Width, c.rows[static_cast<std::size_t>(i)].second);
            EXPECT_EQ(into.Rows.Row(i)->Pen.Width, 2 + i);
        }
        EXPECT_EQ(into.Rows.updates, 1);
    }
}

TEST(Filer, ADamagedCollectionIsRefusedAndLeavesItsBracketClosed) {
    TTable table(nullptr);
    table.SetName("Table1");
    AddRow(table, "alpha", 10);
    AddRow(table, "beta", 20);
    const std::string bytes = Save(&table);
    const std::size_t at = bytes.find("beta");
    ASSERT_NE(at, std::string::npos);

    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"cut inside the second row", bytes.substr(0, at + 2)},
        {"an item that is not a list",
         [&] {
             std::string b = bytes;
             const std::size_t rows = b.find("Rows");
             b[rows + 4] = static_cast<char>(10); // vaCollection, then a first item marker spoilt
             b[rows + 5] = static_cast<char>(2);
             return b;
         }()},
        {"a property the item lacks",
         [&] {
             std::string b = bytes;
             b.replace(b.find("Title"), 5, "Tithe");
             return b;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TTable into(nullptr);
        TMemoryStream stream(c.bytes);
        TReader reader(&stream);
        EXPECT_THROW(reader.ReadRootComponent(&into), Exception);
        EXPECT_EQ(into.Rows.UpdateCount(), 0);
    }
}

// A component with events, and a data module that publishes handlers for them.
class TTicker : public TComponent {
public:
    using TComponent::TComponent;
    int Count = 0;
    TNotifyEvent OnTick;
    TMouseMoveEvent OnMove;
};

class TTickModule : public TDataModule {
public:
    using TDataModule::TDataModule;
    void HandleTick(TObject*) { ++ticks; }
    void HandleMove(TObject*, TShiftState, int, int) {}
    void Unpublished(TObject*) {}
    int ticks = 0;
};

namespace {

const bool kTickRegistered = [] {
    using namespace published;
    PublishProperties<TTicker, TComponent>({
        Field<TTicker>("Count", &TTicker::Count, 0),
        Field<TTicker>("OnTick", &TTicker::OnTick),
        Field<TTicker>("OnMove", &TTicker::OnMove),
    });
    PublishMethods<TTickModule, TDataModule>({
        Method<&TTickModule::HandleTick>("HandleTick"),
        Method<&TTickModule::HandleMove>("HandleMove"),
    });
    RegisterClass<TTicker>();
    RegisterClass<TTickModule>();
    return true;
}();

} // namespace

TEST(Filer, AnEventIsStoredAsTheNameTheRootPublishesAndBoundToTheRootOnReading) {
    TTickModule module(nullptr);
    TTickModule sibling(nullptr);
    const struct {
        const char* name;
        TNotifyEvent handler;
        const char* storedAs; // nullptr: not stored
    } cases[] = {
        {"Own", TNotifyEvent::Bind<&TTickModule::HandleTick>(&module), "HandleTick"},
        // Found by its code in the root's class, whatever object it was bound to.
        {"Sibling", TNotifyEvent::Bind<&TTickModule::HandleTick>(&sibling), "HandleTick"},
        {"Stray", TNotifyEvent::Bind<&TTickModule::Unpublished>(&module), nullptr},
        {"None", TNotifyEvent(), nullptr},
    };
    for (const auto& c : cases) {
        auto* ticker = new TTicker(&module);
        ticker->SetName(c.name);
        ticker->Count = 5;
        ticker->OnTick = c.handler;
    }
    const std::string bytes = Save(&module);
    EXPECT_EQ(bytes.find("Unpublished"), std::string::npos);

    std::unique_ptr<TComponent> back(Load(bytes));
    auto* backModule = dynamic_cast<TTickModule*>(back.get());
    ASSERT_NE(backModule, nullptr);
    for (const auto& c : cases) {
        auto* ticker = dynamic_cast<TTicker*>(backModule->FindComponent(c.name));
        ASSERT_NE(ticker, nullptr) << c.name;
        EXPECT_EQ(ticker->Count, 5);
        if (c.storedAs) {
            EXPECT_EQ(ticker->OnTick, TNotifyEvent::Bind<&TTickModule::HandleTick>(backModule)) << c.name;
        } else {
            EXPECT_FALSE(ticker->OnTick) << c.name;
        }
    }
    dynamic_cast<TTicker*>(backModule->FindComponent("Own"))->OnTick(nullptr);
    EXPECT_EQ(backModule->ticks, 1);
}

TEST(Filer, AHandlerTheRootDoesNotPublishIsAReadErrorThatKeepsEverythingElse) {
    TTickModule module(nullptr);
    module.Tag = 9;
    for (const char* name : {"First", "Second"}) {
        auto* ticker = new TTicker(&module);
        ticker->SetName(name);
        ticker->Count = 3;
        ticker->OnTick = TNotifyEvent::Bind<&TTickModule::HandleTick>(&module);
        ticker->OnMove = TMouseMoveEvent::Bind<&TTickModule::HandleMove>(&module);
    }
    const std::string good = Save(&module);
    const std::size_t at = good.find("HandleTick");
    ASSERT_NE(at, std::string::npos);
    // Unknown, and published but of another signature.
    for (const char* name : {"HandleTock", "HandleMove"}) {
        std::string bad = good;
        bad.replace(at, 10, name);
        TTickModule into(nullptr);
        EXPECT_THROW(
            {
                TMemoryStream stream(bad);
                TReader(&stream).ReadRootComponent(&into);
            },
            EReadError)
            << name;
        EXPECT_EQ(into.Tag, 9) << name;
        auto* first = dynamic_cast<TTicker*>(into.FindComponent("First"));
        auto* second = dynamic_cast<TTicker*>(into.FindComponent("Second"));
        ASSERT_TRUE(first && second) << name;
        EXPECT_FALSE(first->OnTick) << "the event named wrongly stays as it was";
        EXPECT_EQ(first->Count, 3);
        EXPECT_EQ(first->OnMove, TMouseMoveEvent::Bind<&TTickModule::HandleMove>(&into));
        EXPECT_EQ(second->OnTick, TNotifyEvent::Bind<&TTickModule::HandleTick>(&into));
        // A root the reader made is not handed out.
        EXPECT_THROW(Load(bad), EReadError);
    }
}
