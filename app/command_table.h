#pragma once
#include <QString>
#include <span>

// One command as the menus, the toolbar and the status bar show it.
struct CommandSpec {
    int id;
    // Menu text with its mnemonic and, after a tab, the shortcut as the menu shows it;
    // nullptr for commands that have no menu item.
    const char* text;
    // Status-bar prompt; where it holds "\n", the rest is the button's tool tip. nullptr: none.
    const char* prompt;
    // Accelerator keys in QKeySequence's portable form; nullptr ends the list.
    const char* keys[3];
};

// Who handles a command, which decides whether it is enabled.
enum class CommandRoute { App, Document, View, Frame, Nobody };

std::span<const CommandSpec> CommandTable();
// nullptr when `id` is not a command of the table.
const CommandSpec* FindCommand(int id);
CommandRoute RouteOf(int id);

// The status-bar part of a prompt ("" when there is none).
QString PromptStatusText(const CommandSpec& entry);
// The tool-tip part of a prompt (after "\n"; "" when there is none).
QString PromptToolTip(const CommandSpec& entry);
