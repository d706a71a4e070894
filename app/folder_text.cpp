#include "folder_text.h"

#include <cstring>

bool folderOfPath(const char* path, char* out, size_t outSize) {
  if (outSize == 0) return false;
  out[0] = '\0';
  if (!path) return true;

  // Walk the tokens between backslashes; every token that has a successor is
  // a folder and gets one backslash after it.
  size_t length = 0;
  const char* cursor = path;
  while (true) {
    while (*cursor == '\\') ++cursor;
    const char* tokenEnd = cursor;
    while (*tokenEnd && *tokenEnd != '\\') ++tokenEnd;
    if (tokenEnd == cursor) break;  // no more tokens
    const char* next = tokenEnd;
    while (*next == '\\') ++next;
    if (*next == '\0') break;  // this was the last token: the file name
    const size_t tokenLength = size_t(tokenEnd - cursor);
    if (length + tokenLength + 1 >= outSize) {
      out[0] = '\0';
      return false;
    }
    std::memcpy(out + length, cursor, tokenLength);
    length += tokenLength;
    out[length++] = '\\';
    out[length] = '\0';
    cursor = next;
  }
  return true;
}

bool appendTrailingBackslash(char* folder, size_t size) {
  const size_t length = strnlen(folder, size);
  if (length == 0 || length >= size) return length == 0;
  if (folder[length - 1] == '\\') return true;
  if (length + 1 >= size) return false;
  folder[length] = '\\';
  folder[length + 1] = '\0';
  return true;
}
