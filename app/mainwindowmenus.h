#pragma once

class ovqt_displayMainWindow;
struct DisplayState;

// The window's 32 commands are described once, in mainwindowmenus.cpp: member, object name, text,
// toggle, initial check mark and enabled state, slot, and for those that mirror the display
// state, how.

// Makes every command action with its object name and initial state, and connects it to its
// slot.
void BuildActions(ovqt_displayMainWindow& w);

// The menu bar and its menus, in their order, with the separators and submenus.
void BuildMenus(ovqt_displayMainWindow& w);

// Sets each action's text, the save command's tool tip and the menus' titles, in the window's
// translation context.
void LabelActions(ovqt_displayMainWindow& w);

// Sets the check marks and enabled states that mirror the display state.
void ShowActionMarks(ovqt_displayMainWindow& w, const DisplayState& ds);
