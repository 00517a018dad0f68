#pragma once

#include <cstddef>

// The deepest element nesting that TinyXML 2.6's parser reaches on a text,
// computed without recursion, so that too deep documents can be refused
// before TinyXML's recursive parser overflows the stack.
//
// It follows TinyXML's own reading of the text (its node kinds, quoting,
// entities, UTF-8 lead bytes, encoding detection) as long as TinyXML would
// parse without error; after the point where TinyXML stops it may count more,
// never less. Scanning ends early once the depth exceeds stopAbove.
//
// It has to mirror the parser: a shorter scan that ignores how TinyXML reads
// quotes, comments, CDATA or UTF-8 lead bytes counts less on some texts (end
// tags inside a comment, a lead byte that swallows a closing quote), and one
// that stops trusting the text at such points refuses files TinyXML reads.
//
// text must be NUL-terminated, hold no other NUL, and be followed by at least
// 4 more NUL bytes (TinyXML can step up to 3 bytes past the terminator on a
// truncated UTF-8 sequence).
std::size_t tinyXmlDepth(const char* text, std::size_t stopAbove);

// The length TinyXML gives a UTF-8 sequence from its lead byte (1..4); it
// takes that many bytes whatever they are.
int tinyXmlUtf8Length(unsigned char lead);
