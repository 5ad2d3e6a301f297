#pragma once
// Walking the setup wizard from outside: its pages are all there at once, one shown
// at a time, so the controls are looked for among the visible ones, and a page is
// known by the title in its band.

#include <windows.h>

#include <string>
#include <vector>

namespace lanthe::e2e {

// The visible controls of a class at any depth, in creation order; with a caption,
// only those showing it (without the "&" of an access key).
std::vector<HWND> VisibleControls(HWND window, const std::wstring& className, const std::wstring* caption = nullptr);
// The first visible button with this caption; nullptr when there is none.
HWND VisibleButton(HWND window, const std::wstring& caption);
// Whether the page with this title shows, waiting for it a while.
bool OnPage(HWND wizard, const std::wstring& title);
// Clicks the visible button with this caption once it is enabled; false when there
// is none.
bool ClickButton(HWND wizard, const std::wstring& caption);
// What typing into an edit box does: the new text, and the box tells its parent.
void Type(HWND edit, const std::wstring& text);
// The number of items of a drop-down list, and a choice in it as the list reports it.
int ComboCount(HWND combo);
void Choose(HWND combo, int index);

}  // namespace lanthe::e2e
