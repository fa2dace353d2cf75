// The pictures the windows show: the product's icon and the form type editor button's picture.
#pragma once

#include <QIcon>
#include <string>

namespace sheaver {

// The product's icon from a picture file; the built-in icon when `path` is empty or the file
// cannot be read as a picture.
QIcon ProductIcon(const std::string& path);

// A pencil over a sheet, for the button that edits the form type.
QIcon EditIcon();

}  // namespace sheaver
