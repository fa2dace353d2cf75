// What the window's "Data file options" dialog shows and gives back, without the dialog: the
// separator as one of three named choices and the two switches. The dialog only displays a
// DataFileOptionsChoice and hands the edited one back.
#pragma once

#include <array>

#include "extract/data_file_options.h"

namespace sheaver {

// The dialog's caption.
inline constexpr const char* kDataFileOptionsCaption = "Data file options";

// The separator choices in the order the dialog lists them, with their captions.
inline constexpr std::array<char, 3> kSeparatorChoices = {',', ';', '\t'};
inline constexpr std::array<const char*, 3> kSeparatorCaptions = {
    "Comma (,)", "Semicolon (;), for decimal-comma spreadsheets", "Tab"};
inline constexpr const char* kByteOrderMarkCaption =
    "Start a new data file with a byte-order mark (UTF-8 for Excel and LibreOffice)";
inline constexpr const char* kNeutraliseCaption =
    "Neutralise formulas: put ' before text starting with = + - @";

struct DataFileOptionsChoice {
  int separatorIndex = 0;  // into kSeparatorChoices
  bool byteOrderMark = false;
  bool neutraliseFormulas = false;
};

// The dialog's state for these options (a separator outside the choices shows as the first).
DataFileOptionsChoice ChoiceFor(const DataFileOptions& options);

// The options the dialog's state stands for (an index outside the choices is the comma).
DataFileOptions OptionsFor(const DataFileOptionsChoice& choice);

}  // namespace sheaver
