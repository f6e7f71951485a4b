#pragma once

#include <gst/gst.h>

#include <QString>
#include <QStringList>
#include <vector>

#include "media/GPtr.h"

// The elements of a built pipeline as the property dialog of a graph lists them: every element
// inside it, bins and their contents depth-first, each bin's children in the order they were
// added. Elements are found again by name, so two elements of one name (in different bins) are
// both listed, and the name always finds the first of them.

std::vector<GObjectPtr<GstElement>> graphElements(GstPipeline* graph);

// The names of graphElements, in the same order; empty for no graph.
QStringList graphElementNames(GstPipeline* graph);

// The first element of the graph whose name equals `name` exactly (case-sensitive), with a
// reference for the caller; nullptr when none has it.
GObjectPtr<GstElement> findFilterByName(GstPipeline* graph, const QString& name);
