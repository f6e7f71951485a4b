#include "output/properties/GraphElements.h"

#include <algorithm>

namespace {

void collectChildren(GstBin* bin, std::vector<GObjectPtr<GstElement>>& elements) {
    std::vector<GObjectPtr<GstElement>> children;
    GST_OBJECT_LOCK(bin);
    for (GList* child = bin->children; child; child = child->next) {
        children.push_back(addRef(GST_ELEMENT(child->data)));
    }
    GST_OBJECT_UNLOCK(bin);
    // The bin keeps its newest child first.
    std::reverse(children.begin(), children.end());
    for (GObjectPtr<GstElement>& child : children) {
        GstElement* element = child.get();
        elements.push_back(std::move(child));
        if (GST_IS_BIN(element)) {
            collectChildren(GST_BIN(element), elements);
        }
    }
}

QString nameOf(GstElement* element) {
    GCharPtr name(gst_object_get_name(GST_OBJECT(element)));
    return name ? QString::fromUtf8(name.get()) : QString();
}

}  // namespace

std::vector<GObjectPtr<GstElement>> graphElements(GstPipeline* graph) {
    std::vector<GObjectPtr<GstElement>> elements;
    if (graph) {
        collectChildren(GST_BIN(graph), elements);
    }
    return elements;
}

QStringList graphElementNames(GstPipeline* graph) {
    QStringList names;
    for (const GObjectPtr<GstElement>& element : graphElements(graph)) {
        const QString name = nameOf(element.get());
        names.append(name.isEmpty() ? QStringLiteral("<ERROR>") : name);
    }
    return names;
}

GObjectPtr<GstElement> findFilterByName(GstPipeline* graph, const QString& name) {
    for (GObjectPtr<GstElement>& element : graphElements(graph)) {
        if (!name.isEmpty() && nameOf(element.get()) == name) {
            return std::move(element);
        }
    }
    return nullptr;
}
