#include "output/compressors/ConfigurableCompressors.h"

#include "output/compressors/CurrentCompressors.h"
#include "output/properties/ElementProperties.h"

namespace {

// Lower case for ASCII letters only, as codec names are compared.
QString asciiLower(const QString& text) {
    QString lowered = text;
    for (QChar& c : lowered) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            c = QChar(c.unicode() + ('a' - 'A'));
        }
    }
    return lowered;
}

bool isVersionCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.');
}

// "DivX Pro 5.1.1 Codec" gives "5.1.1"; empty when the name holds no digit or dot.
QString versionOf(const QString& name) {
    qsizetype start = 0;
    while (start < name.size() && !isVersionCharacter(name[start])) {
        ++start;
    }
    qsizetype end = start;
    while (end < name.size() && isVersionCharacter(name[end])) {
        ++end;
    }
    return name.mid(start, end - start);
}

bool sameDivxVersion(const QString& selected, const QString& name) {
    const QString divx = QStringLiteral("divx");
    if (!asciiLower(selected).contains(divx) || !asciiLower(name).contains(divx)) {
        return false;
    }
    const QString wanted = versionOf(selected);
    return !wanted.isEmpty() && wanted == versionOf(name);
}

bool hasEditableSettings(const CompressorEntry& entry) {
    const QByteArray factoryName = entry.factoryName.toUtf8();
    GObjectPtr<GstElementFactory> factory(gst_element_factory_find(factoryName.constData()));
    if (!factory) {
        return false;
    }
    GObjectPtr<GstPluginFeature> loaded(gst_plugin_feature_load(GST_PLUGIN_FEATURE(factory.get())));
    if (!loaded) {
        return false;
    }
    return hasEditableProperties(
        gst_element_factory_get_element_type(GST_ELEMENT_FACTORY(loaded.get())));
}

}  // namespace

QList<CompressorEntry> configurableVideoCompressors() {
    QList<CompressorEntry> configurable;
    for (const CompressorEntry& entry : compressorCatalogue(CompressorKind::Video)) {
        if (hasEditableSettings(entry)) {
            configurable.append(entry);
        }
    }
    return configurable;
}

std::optional<qsizetype> matchConfigurableCompressor(const QString& selected,
                                                     const QStringList& names) {
    std::optional<qsizetype> match;
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].compare(selected, Qt::CaseInsensitive) == 0) {
            match = i;
        } else if (!match && sameDivxVersion(selected, names[i])) {
            match = i;
        }
    }
    return match;
}

GObjectPtr<GstElement> compressorToConfigure(const CompressorEntry& entry) {
    if (GstElement* bound = currentVideoCompressor()) {
        GstElementFactory* factory = gst_element_get_factory(bound);
        if (factory && entry.factoryName == QString::fromUtf8(GST_OBJECT_NAME(factory))) {
            return addRef(bound);
        }
    }
    return createCompressor(entry.factoryName);
}
