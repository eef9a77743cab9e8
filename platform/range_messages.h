#pragma once
#include <string>

// The words of the dialogs' field checks, for the dialogs and for whatever applies the same
// checks without them (the command line). Numbers as the dialogs show them: integers in
// decimal, other numbers with up to 15 significant digits ("359", "0.5").
namespace caelvane {

std::string FormatCheckInt(int value);
std::string FormatCheckDouble(double value);

// "Please enter an integer between LOW and HIGH."
std::string IntRangeMessage(int low, int high);
// "Please enter a number between LOW and HIGH."
std::string DoubleRangeMessage(double low, double high);
// "Please enter no more than N characters."
std::string MaxCharsMessage(int maxChars);

}  // namespace caelvane
