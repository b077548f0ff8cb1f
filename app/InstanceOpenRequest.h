// The record one copy of the program sends another to ask whether it shows
// a document: a 16-byte tag, the kind 1 (little-endian), the path in UTF-8
// and a NUL. It comes from another process: the reader takes nothing on
// trust.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

constexpr int kInstanceRequestHeaderBytes = 20;
// The longest path a request may carry, in bytes, without its NUL.
constexpr int kInstanceRequestLongestPath = 4095;
constexpr int kInstanceRequestLargest = kInstanceRequestHeaderBytes + kInstanceRequestLongestPath + 1;

// A request for the path; empty when the path is empty or too long. A path
// that begins with a double quote loses it and its last character.
QByteArray MakeInstanceOpenRequest(const QString& path);
// The path of a well-formed request: the exact tag, kind 1, a path of at
// least one byte ending in the record's only NUL, valid UTF-8. False for
// anything else.
bool ReadInstanceOpenRequest(const QByteArray& record, QString* path);
// The record's integers, and the length before each record on the socket:
// four bytes, least significant first.
void AppendUint32LE(QByteArray& bytes, uint32_t value);
uint32_t ReadUint32LE(const char* bytes);
// The path without one pair of surrounding quotes.
QString StripPathQuotes(const QString& path);
