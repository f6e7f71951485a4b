#pragma once

class CLanguage;
class QMenu;

// Retitles the items of a menu built from a menu template with the current language's menu
// texts. `menu` is the template's root: its own items keep their texts; the items of each of its
// submenus are retitled, depth-first in position order:
// - a command item by its command identifier (base/ControlId.h: setCommandId on its QAction);
// - a submenu item by a counter that starts at menuId * 65536 and counts every submenu item met,
//   so the first submenu of the template's popup (for template 160, the Language submenu) is
//   160 * 65536.
// Items without a text, separators and items without an identifier keep their texts; identifiers
// and submenus never change. Fonts are not touched. False, changing nothing, when there are no
// language files.
bool ApplyMenuTexts(const CLanguage& language, QMenu* menu, int menuId);
