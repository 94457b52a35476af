#include "overlay/utf8_text.h"

#include "overlay/nul_padded_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace Zo::KV9RudiVeruv;

namespace {

TEST(WholeUtf8, CountsTheWellFormedCharactersAtTheStart) {
    const struct {
        std::string text;
        std::size_t whole;
    } cases[] = {
        {"", 0},
        {"abc", 3},
        {std::string("a\0b", 3), 3},  // a NUL is a character like any other
        {"caf\xC3\xA9", 5},
        {"caf\xC3", 3},                       // cut inside a two-byte character
        {"\xE9\x95\x9C\xE9\x95", 3},          // ... and inside a three-byte one
        {"\xF0\x9F\x8E\xA5\xF0\x9F\x8E", 4},  // ... and a four-byte one
        {"a\x80" "b", 1},                     // a continuation byte cannot start one
        {"\xC0\xAF", 0},                      // overlong forms
        {"\xE0\x80\xAF", 0},
        {"\xF0\x80\x80\xAF", 0},
        {"x\xED\xA0\x80", 1},                 // a surrogate
        {"\xED\x9F\xBF", 3},                  // U+D7FF, just below them
        {"\xF4\x8F\xBF\xBF", 4},              // U+10FFFF
        {"\xF4\x90\x80\x80", 0},              // beyond it
        {"\xF5\x80\x80\x80", 0},
        {"\xC3\x28", 0},                      // a lead byte followed by no continuation
        {"\xFF", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(wholeUtf8Length(c.text), c.whole) << c.text;
}

TEST(WholeUtf8, AFieldIsCutToItsLastWholeCharacterAndKeepsItsSize) {
    const struct {
        std::string field;
        std::string cut;
    } cases[] = {
        {std::string("caf\xC3\0\0\0", 7), std::string("caf\0\0\0\0", 7)},
        {std::string("\xE9\x95\x9C\xE9\x95", 5), std::string("\xE9\x95\x9C\0\0", 5)},
        {std::string("ok\0\xC3", 4), std::string("ok\0\xC3", 4)},  // behind the text: left alone
        {std::string("a\xFF" "bc\0", 5), std::string("a\0\0\0\0", 5)},
        {"whole \xE9\x95\x9C", "whole \xE9\x95\x9C"},
    };
    for (const auto& c : cases) {
        std::string field = c.field;
        cutToWholeUtf8(field);
        EXPECT_EQ(field, c.cut) << c.field;
    }
}

}  // namespace
