// Header bars: THeader, whose sections are a list of texts each with its own width, and
// THeaderControl, whose sections are a collection (THeaderSections) of items with a text and a
// width. Both paint their sections as raised buttons side by side, each with its text.
#pragma once

#include "platform/ui/Collection.h"
#include "platform/ui/Controls.h"

#include <string>
#include <vector>

class TStringList;

class THeader : public TCustomControl {
public:
    explicit THeader(TComponent* AOwner);
    ~THeader() override;

    // A section added to the list starts kDefaultSectionWidth wide.
    static constexpr int kDefaultSectionWidth = 64;
    TStringList* Sections() const { return sections_; }
    void SetSections(const TStringList* Value);
    // EListError "List index out of bounds" for an index that is no section. A width below 0 is 0.
    int SectionWidth(int Index) const;
    void SetSectionWidth(int Index, int Value);

protected:
    void Paint() override;

private:
    void SectionsChanged();

    TStringList* sections_;
    std::vector<int> widths_;
};

class THeaderControl;

class THeaderSection : public TCollectionItem {
public:
    explicit THeaderSection(TCollection* Collection);

    const std::string& Text() const { return text_; }
    void SetText(const std::string& Value);
    // Below 0 it is 0.
    int Width() const { return width_; }
    void SetWidth(int Value);
    // Where the section starts and ends: the widths of the sections before it added up.
    int Left() const;
    int Right() const { return Left() + width_; }
    void Assign(const TPersistent* Source) override;

protected:
    std::string GetDisplayName() const override;

private:
    std::string text_;
    int width_ = 50;
};

class THeaderSections : public TCollection {
public:
    explicit THeaderSections(THeaderControl* HeaderControl);
    THeaderSection* Add() { return static_cast<THeaderSection*>(TCollection::Add()); }
    THeaderSection* Items(int Index) const { return static_cast<THeaderSection*>(TCollection::Items(Index)); }

protected:
    void Update(TCollectionItem* Item) override;

private:
    THeaderControl* headerControl_;
};

class THeaderControl : public TCustomControl {
public:
    explicit THeaderControl(TComponent* AOwner);
    ~THeaderControl() override;

    THeaderSections* Sections() const { return sections_; }
    void SetSections(const THeaderSections* Value) { sections_->Assign(Value); }

protected:
    void Paint() override;

private:
    THeaderSections* sections_;
};

// Paints one header section: a raised button with its text (platform use).
void PaintHeaderSection(TCanvas* Canvas, const TRect& Rect, const std::string& Text);
