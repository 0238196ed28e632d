// parse_text: which texts become a document, and where the refused ones are told to be wrong.
#include <doctest/doctest.h>

#include "support/parse.hpp"

#include <string>

using velvane::LoadOutcome;
using velvane::SourceEncoding;
using velvane::test::parse;

namespace {

// The cause and offset of a refused text.
std::pair<std::string, std::size_t> refusal(const std::string& text) {
    LoadOutcome out = parse(text);
    CHECK_FALSE(out.document);
    return {out.cause, out.offset};
}

std::string short_name(const LoadOutcome& out) {
    REQUIRE_MESSAGE(out.document, out.cause);
    return out.document->xml.document_element().child("X").text().get();
}

}  // namespace

TEST_CASE("a document's root must be AUTOSAR") {
    CHECK(parse("<AUTOSAR><X>a</X></AUTOSAR>").document);
    std::string text = "<?xml version=\"1.0\"?>\n<FOO/>";
    CHECK(refusal(text) == std::make_pair(std::string("not an AUTOSAR file: root element is <FOO>"), text.find("<FOO")));
    CHECK(refusal("").first == "No document element found");
}

TEST_CASE("text that is not UTF-8 is refused at its first bad byte") {
    const std::string invalid = "invalid UTF-8 byte sequence";
    CHECK(refusal("<AUTOSAR>ab\xC3\x28</AUTOSAR>") == std::make_pair(invalid, std::size_t(11)));
    CHECK(refusal("<AUTOSAR>\xC0\xAF</AUTOSAR>") == std::make_pair(invalid, std::size_t(9)));        // overlong
    CHECK(refusal("<AUTOSAR>\xED\xA0\x80</AUTOSAR>") == std::make_pair(invalid, std::size_t(9)));    // surrogate
    CHECK(refusal("<AUTOSAR>\xF4\x90\x80\x80</AUTOSAR>") == std::make_pair(invalid, std::size_t(9)));  // > U+10FFFF
    // Past the 32-byte stride of the ASCII scan.
    std::string padded = "<AUTOSAR>" + std::string(40, 'a') + "\xE2\x82</AUTOSAR>";
    CHECK(refusal(padded) == std::make_pair(invalid, std::size_t(49)));
    std::string euro_car = "\xE2\x82\xAC\xF0\x9F\x9A\x97";
    CHECK(short_name(parse("<AUTOSAR><X>" + euro_car + "</X></AUTOSAR>")) == euro_car);
}

TEST_CASE("NUL characters are refused whether written or referenced") {
    CHECK(refusal(std::string("<AUTOSAR>a\0</AUTOSAR>", 20)) ==
          std::make_pair(std::string("NUL character (not allowed in XML)"), std::size_t(10)));
    const std::string reference = "character reference to NUL (not allowed in XML)";
    CHECK(refusal("<AUTOSAR><X>a&#0;</X></AUTOSAR>") == std::make_pair(reference, std::size_t(13)));
    CHECK(refusal("<AUTOSAR><X>&#x000;</X></AUTOSAR>") == std::make_pair(reference, std::size_t(12)));
    CHECK(short_name(parse("<AUTOSAR><X>&#x41;&#10;</X></AUTOSAR>")) == "A\n");
}

TEST_CASE("the declared encoding decides how the bytes are read") {
    std::string declared = "<?xml version=\"1.0\" encoding=\"EBCDIC-US\"?><AUTOSAR/>";
    CHECK(refusal(declared) == std::make_pair(std::string("unsupported encoding EBCDIC-US"), declared.find("EBCDIC")));

    LoadOutcome latin1 = parse("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><AUTOSAR><X>\xE9</X></AUTOSAR>");
    CHECK(latin1.encoding == SourceEncoding::kLatin1);
    CHECK(short_name(latin1) == "\xC3\xA9");

    // 0x80 is the euro sign in Windows-1252, 0x81 a C1 control the code page leaves undefined.
    LoadOutcome cp1252 = parse("<?xml version='1.0' encoding='windows-1252'?><AUTOSAR><X>\x80\x81</X></AUTOSAR>");
    CHECK(cp1252.encoding == SourceEncoding::kWindows1252);
    CHECK(short_name(cp1252) == "\xE2\x82\xAC\xC2\x81");

    // Single bytes declared as UTF-16 have always been read as UTF-8.
    CHECK(short_name(parse("<?xml version=\"1.0\" encoding=\"UTF-16\"?><AUTOSAR><X>\xC3\xA9</X></AUTOSAR>")) ==
          "\xC3\xA9");
    CHECK(short_name(parse("\xEF\xBB\xBF<AUTOSAR><X>a</X></AUTOSAR>")) == "a");

    std::string utf16("\xFF\xFE<\0A\0U\0T\0O\0S\0A\0R\0/\0>\0", 22);
    LoadOutcome wide = parse(utf16);
    CHECK(wide.encoding == SourceEncoding::kUtf16or32);
    CHECK(wide.document);
}

TEST_CASE("malformed XML is refused with the parser's cause and offset") {
    CHECK(refusal("<AUTOSAR><X></Y></AUTOSAR>") ==
          std::make_pair(std::string("Start-end tags mismatch"), std::size_t(14)));
}
