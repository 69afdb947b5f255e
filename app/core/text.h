// printf-style formatting of translated texts: the source texts keep the
// formats they are known by, and a translation keeps the same conversions.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>

#include <string>

namespace qmr::app {

template <class... A>
QString fmt(const QString& format, A... args)
{
    return QString::asprintf(format.toUtf8().constData(), args...);
}

inline QString q(const std::string& s) { return QString::fromStdString(s); }

// A text of context translated, as the library's and the core's UTF-8 text.
inline std::string translateFor(const char* context, const char* text)
{
    return QCoreApplication::translate(context, text).toStdString();
}

// A QString as a %s argument.
inline QByteArray s8(const QString& s) { return s.toUtf8(); }

// Text from a fixed-size field of bytes, up to its first zero.
inline QString fieldText(const uint8_t* p, size_t max)
{
    size_t n = 0;
    while (n < max && p[n]) ++n;
    return QString::fromUtf8(reinterpret_cast<const char*>(p), static_cast<qsizetype>(n));
}

}  // namespace qmr::app
