#pragma once
// The two single-byte Cyrillic code pages that Russian banks and accounting programs still write
// their exchange files in: Windows-1251 and DOS code page 866. Qt's own converters do not offer
// them everywhere, so each is a table of its upper 128 characters. Bytes below 0x80 are ASCII;
// the one byte that Windows-1251 leaves undefined (0x98) decodes to U+FFFD.

#include <QByteArrayView>
#include <QString>

namespace orv::core {

enum class Codepage { Windows1251, Dos866 };

QString decode(QByteArrayView bytes, Codepage codepage);

}  // namespace orv::core
