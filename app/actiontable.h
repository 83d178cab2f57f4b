#pragma once

class ovqt_displayMainWindow;
struct DisplayState;

// The window's 32 commands are described once, in actiontable.cpp: member, object name, text,
// toggle, initial check mark and enabled state, slot, and for those that mirror the display
// state, how.

// Makes every command action with its object name and initial state, and connects it to its
// slot.
void BuildActions(ovqt_displayMainWindow& w);

// Sets each action's text, and the save command's tool tip, in the window's translation context.
void LabelActions(ovqt_displayMainWindow& w);

// Sets the check marks and enabled states that mirror the display state.
void ShowActionMarks(ovqt_displayMainWindow& w, const DisplayState& ds);
