#include "platform/AttributedText.h"

namespace ratelark {

const char* colorName(NamedColor color) {
    switch (color) {
    case NamedColor::Red: return "red";
    case NamedColor::Blue: return "blue";
    case NamedColor::Black: return "black";
    case NamedColor::Yellow: return "yellow";
    case NamedColor::Green: return "green";
    case NamedColor::White: return "white";
    }
    return "black";
}

}  // namespace ratelark
