#pragma once
// Text operations on download URLs: folder URLs from local paths, the folder part and the port of
// a URL, and the percent-encoding of URLs sent to servers. None of them can fail: text that is
// not a well-formed URL gives a harmless result.

#include <cstdint>
#include <string>

namespace vu {

// The text with backslashes turned to slashes and a slash appended unless it is empty or ends
// in one ("a\b" gives "a/b/").
std::string MakeUrlFolder(const std::string& text);

// The URL up to and including its last slash; the whole text when it holds none.
std::string ExtractUrlPath(const std::string& url);

// The port of "scheme://[user[:password]@]host[:port]/...", backslashes counting as slashes.
// defaultPort when the URL has no "://" or no scheme, no port, or a port that is not all
// decimal digits within 32 bits.
std::int32_t PortOfUrl(const std::string& url, std::int32_t defaultPort);

// Converts the URL from the ANSI code page to UTF-8 and percent-encodes it (EncodeUtf8Url).
std::string EncodeUrl(const std::string& url);

// Percent-encodes a UTF-8 URL with upper-case hexadecimal digits, backslashes counting as
// slashes. The URL splits into scheme, host and port, path (up to its last slash), document
// (after it, cut at a '#' that starts the fragment) and query (from the first '?'; without one,
// from the first '='). Path and document encode space, '#', '%', '*', '+', '<', '>' and bytes
// from 0x80 up; the query keeps ASCII letters and digits, turns a space into '+' and encodes
// every other byte, the '?' included. User name, password and fragment are dropped. Without
// "://" the text is taken as path, document and query alone.
std::string EncodeUtf8Url(const std::string& url);

}  // namespace vu
