// The product information record: the names, version numbers, texts and help addresses that the
// About box and the Help menu show or open. It starts from the program's version information
// and is overridden by the product definition file App.def beside the executable: one entry a
// line, written as key, equals sign and value separated by commas ("title, =, Payroll"), lines
// beginning with "#" being comments.
#pragma once

#include <string>

#include "extract/data_file_options.h"
#include "runtime/int16.h"

namespace sheaver {

struct ProductInfo {
  // Defaults from the program's version information, the program directory being the one that
  // holds the running executable.
  ProductInfo();
  // The same with the program directory given (without a trailing separator).
  explicit ProductInfo(std::string program_directory);

  // Applies the entries of App.def in the program directory, in order. A missing App.def (or
  // one that is not an ordinary file) leaves the defaults; comment lines, lines without three
  // words or whose second word is not "=", and unknown keys are skipped. Errors reading the
  // file, and a version number outside 16 bits, are raised with the file and line named.
  void Load();

  // Applies one entry; the key is compared in lower case. major, minor and build take the
  // leading number of the value, rounded half to even (0 when there is none; Overflow outside
  // 16 bits); icon takes a file name relative to the program directory; the other keys take the
  // value as it stands; separator (",", ";", "tab"), bom and neutraliseformulas ("yes"/"no",
  // "true"/"false", "1"/"0") set the site's data file options, Invalid procedure call (5) for
  // any other value. An unknown key is ignored.
  void Properties(const std::string& key, const std::string& value);

  // The version text: major, ".", minor in two digits, ".", build in four digits ("1.00.0034").
  std::string Version() const;

  std::string name;         // product name
  Int16 major = 0;          // major version number
  Int16 minor = 0;          // minor version number
  Int16 build = 0;          // build (revision) number
  std::string title;        // the window's caption and the application title
  std::string description;  // shown in the About box
  std::string copyright;    // shown in the About box
  std::string site;         // the product's web address, opened from the About box
  std::string help;         // help contents: a page under the program directory or an address
  std::string faqurl;       // the FAQ page opened by Help > FAQ
  std::string supporturl;   // the support page opened by Help > Support
  std::string icon;         // path of the window and About box picture; "" for the built-in one
  bool durable = false;     // "durable, =, yes": the window's runs flush every workbook to disk

  // The site's data file options, which a run starts from.
  DataFileOptions dataFile;

  std::string program_directory;
  // Where App.def is read from; "" for the program directory (the build tree), /etc/sheaver when
  // installed.
  std::string config_directory;
};

// What the About box shows, so that the dialog itself only displays it.
struct AboutBoxContent {
  std::string caption;  // "About " and the title
  std::string icon;     // picture path, "" for the built-in one
  std::string title;
  std::string version;  // the version text
  std::string description;
  std::string copyright_label;  // the copyright, then the site on a line of its own if any
  std::string site;             // what a click on the copyright label opens
};

// The About box's content for this product.
AboutBoxContent MakeAboutBox(const ProductInfo& info);

// The About box's copyright label was clicked: opens the site (nothing when there is none).
void CopyrightClicked(const AboutBoxContent& about);

}  // namespace sheaver
