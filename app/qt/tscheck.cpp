// Fails when a text of the programs has no finished Japanese translation:
// every (context, source) of the scan must be translated in the kept file.
#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

struct Entry {
    QString translation;
    bool finished = false;
};

// context + '\x1f' + source -> translation
bool readTs(const QString& path, QHash<QString, Entry>& out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "tscheck: cannot read %s\n", qPrintable(path));
        return false;
    }
    QXmlStreamReader x(&f);
    QString context, source;
    Entry e;
    while (!x.atEnd()) {
        x.readNext();
        if (x.isStartElement()) {
            if (x.name() == QLatin1String("context")) context.clear();
            else if (x.name() == QLatin1String("name")) context = x.readElementText();
            else if (x.name() == QLatin1String("message")) {
                source.clear();
                e = Entry{};
            } else if (x.name() == QLatin1String("source")) source = x.readElementText();
            else if (x.name() == QLatin1String("translation")) {
                QString type = x.attributes().value(QLatin1String("type")).toString();
                e.finished = type.isEmpty();
                e.translation = x.readElementText();
            }
        } else if (x.isEndElement() && x.name() == QLatin1String("message")) {
            out.insert(context + QChar(0x1f) + source, e);
        }
    }
    if (x.hasError()) {
        std::fprintf(stderr, "tscheck: %s: %s\n", qPrintable(path), qPrintable(x.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: qm-tscheck SCANNED.ts KEPT.ts\n");
        return 2;
    }
    QHash<QString, Entry> scanned, kept;
    if (!readTs(QString::fromLocal8Bit(argv[1]), scanned) || !readTs(QString::fromLocal8Bit(argv[2]), kept)) return 2;
    int missing = 0;
    for (auto it = scanned.cbegin(); it != scanned.cend(); ++it) {
        auto k = kept.constFind(it.key());
        if (k != kept.cend() && k->finished && !k->translation.isEmpty()) continue;
        QStringList parts = it.key().split(QChar(0x1f));
        std::fprintf(stderr, "%s: no Japanese translation for [%s] \"%s\"\n", argv[2], qPrintable(parts.value(0)),
                     qPrintable(parts.value(1)));
        ++missing;
    }
    if (missing) {
        std::fprintf(stderr, "%d text(s) lack their Japanese translation: run `ninja update_translations` and translate them\n",
                     missing);
        return 1;
    }
    return 0;
}
