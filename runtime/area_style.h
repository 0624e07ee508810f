// Which kind of file area a tool works on. The classic style is the one the
// list form was made for: 8.3 names, CR LF lists, seven-bit descriptions.
// The modern style (the --modern option) takes names of any length, names
// with blanks in double quotes, lists with LF line ends, and UTF-8 text.
#ifndef KESTREL_RUNTIME_AREA_STYLE_H_
#define KESTREL_RUNTIME_AREA_STYLE_H_

enum class AreaStyle { kClassic, kModern };

#endif  // KESTREL_RUNTIME_AREA_STYLE_H_
