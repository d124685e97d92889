// The bytes of an export as text: a UTF-8 byte-order mark dropped, UTF-16
// with a byte-order mark (as some Windows programs save) turned into UTF-8.
#pragma once

#include <string>
#include <string_view>

// False with the reason in strWhy when the bytes are no text we can read
// (UTF-16 cut in half, or UTF-16 without a byte-order mark).
bool DecodeMeasurementText(std::string_view bytes, std::string& strText, std::string& strWhy);
