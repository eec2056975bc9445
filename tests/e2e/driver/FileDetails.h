// What Windows itself reads of a program file's resources: its version
// information and its icon images.
#pragma once

#include <string>

namespace FileDetails {

// "file-version<TAB>A.B.C.D" and "product-version<TAB>A.B.C.D" lines, then a
// "NAME<TAB>text" line (UTF-8) for each standard text of the string table
// the translation names. False when the file has no version information.
bool DescribeVersionInfo(const std::string& path, std::string& out, std::string& error);

// Compares the images of the program's icon group with those of an .ico
// file, as the loader finds them: an "image N<TAB>WxH<TAB>BYTES<TAB>same" or
// "...<TAB>differs" line each, WxH as Windows makes an icon of the image
// (0x0 when it can't). True when there are as many, all the same bytes,
// and each makes an icon.
bool CompareIcon(const std::string& program, unsigned group, const std::string& icoPath, std::string& out,
                 std::string& error);

} // namespace FileDetails
