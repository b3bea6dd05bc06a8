#pragma once

#include <QCoreApplication>
#include <QFile>
#include <QString>

#include <string>

namespace pivora::ui {

// Text of the program (UTF-8, file names as the system gives them) for Qt and back.
inline QString FromNative(const std::string& text)
{
    return QFile::decodeName(QByteArray::fromStdString(text));
}

inline std::string ToNative(const QString& text)
{
    return QFile::encodeName(text).toStdString();
}

// A text the core marked for translation in the context "CoreTexts", in the user's language.
inline QString CoreText(const char* source)
{
    return QCoreApplication::translate("CoreTexts", source);
}

} // namespace pivora::ui
