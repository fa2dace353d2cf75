#include "ui/data_file_options_choice.h"

namespace sheaver {

DataFileOptionsChoice ChoiceFor(const DataFileOptions& options) {
  DataFileOptionsChoice choice;
  for (std::size_t i = 0; i < kSeparatorChoices.size(); ++i)
    if (kSeparatorChoices[i] == options.separator) choice.separatorIndex = static_cast<int>(i);
  choice.byteOrderMark = options.byteOrderMark;
  choice.neutraliseFormulas = options.neutraliseFormulas;
  return choice;
}

DataFileOptions OptionsFor(const DataFileOptionsChoice& choice) {
  DataFileOptions options;
  if (choice.separatorIndex >= 0 &&
      choice.separatorIndex < static_cast<int>(kSeparatorChoices.size()))
    options.separator = kSeparatorChoices[static_cast<std::size_t>(choice.separatorIndex)];
  options.byteOrderMark = choice.byteOrderMark;
  options.neutraliseFormulas = choice.neutraliseFormulas;
  return options;
}

}  // namespace sheaver
