#include "measure/TotalsPipelines.h"

#include "platform/TextNumbers.h"

namespace ratelark {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Whether the text starts, after white space, with what doubleValue reads.
bool startsWithNumber(QByteArrayView text) {
    qsizetype at = 0;
    while (at < text.size() && isSpace(text[at])) ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    if (at < text.size() && text[at] == '.') ++at;
    return at < text.size() && isDigit(text[at]);
}

}  // namespace

PipelineAmount pipelineAmount(QByteArrayView output) {
    if (!output.isValidUtf8() || !startsWithNumber(output)) return {};
    return {doubleValue(output), true};
}

}  // namespace ratelark
