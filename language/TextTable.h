#pragma once

#include <QList>
#include <QString>
#include <utility>

// Texts by numeric identifier, in the order they were added; a look-up takes the first pair with
// the identifier. Pairs with empty texts are kept: they mean "use the built-in text".
class TextTable {
  public:
    void clear() { pairs_.clear(); }
    void append(int id, QString text) { pairs_.append({id, std::move(text)}); }

    // Empty when no pair has the identifier.
    QString lookUp(int id) const {
        for (const auto& [pairId, text] : pairs_) {
            if (pairId == id) {
                return text;
            }
        }
        return {};
    }

  private:
    QList<std::pair<int, QString>> pairs_;
};
