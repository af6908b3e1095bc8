// The scripts every push button of the library follows, whatever it looks like: the mouse (drag out
// and back, releases outside the client rectangle and inside it outside the region the button
// shows, presses that do not take it down) and, for the windowed ones, the keys (space, Enter on the
// focused button, Enter and Escape on the form with the default and cancel buttons across focus
// changes, the accelerator). Where a kind of button has a rule of its own, the script takes it as a
// parameter.
#pragma once

#include "LedTest.h"

#include "indicator_controls/PushBtn.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>

// The paint states of the buttons that name them: the one shown now, and its values up, held down,
// and focused but not down.
struct TPaintStates {
    std::function<int(TControl*)> Of;
    int Up = 0;
    int Down = 0;
    int Focused = 0;
};

struct TMouseScript {
    explicit TMouseScript(TPoint AInside) : Inside(AInside) {}

    // Where presses start and drags come back to: inside what the button shows.
    TPoint Inside;
    // A point in the client rectangle outside the region the button shows, for the shaped buttons:
    // dragged there the button lets go, released there it clicks.
    std::optional<TPoint> OutOfRegion;
    // The row just below the client rectangle keeps a press down.
    bool RowBelowCounts = false;
    // A press outside the client rectangle takes the button down too.
    bool PressAnywhere = false;
    TPaintStates Look;
};

// Drives a button on a shown form, its clicks logged as "click <name>" in Log (cleared first).
void RunMouseScript(TvPushButton<TCustomControl>* Button, TEventLog& Log, const TMouseScript& Script);
void RunMouseScript(TvPushButton<TGraphicControl>* Button, TEventLog& Log, const TMouseScript& Script);

// Makes a button of one kind on the form, named, at (left, top), its clicks logged.
using TAddButton = std::function<TvcPushButton*(const std::string& name, int left, int top)>;

struct TKeyScript {
    explicit TKeyScript(TAddButton AAdd) : Add(std::move(AAdd)) {}

    // The default ("ok") and cancel ("cancel") buttons.
    TAddButton Add;
    // A third button ("other") whose focus takes the default role away; Add when not given.
    TAddButton AddKin;
    // Run once the buttons are made, before they are driven: what the form needs first.
    std::function<void()> Ready;
    TPaintStates Look;
};

// Makes its buttons and a field to move the focus to on Form, drives them and deletes them again.
void RunKeyScript(TForm* Form, TEventLog& Log, const TKeyScript& Script);
