#pragma once

class QWidget;

// Keeps a top-level window above all others, or lets it go back among them, without re-creating
// or hiding it (a window that runs a modal loop would end it when hidden).
void setKeptOnTop(QWidget* window, bool onTop);
bool isKeptOnTop(const QWidget* window);
