#pragma once
// Border and first place of a child window in the main window's MDI area.
class QMdiSubWindow;

// A fixed border: the title, and the close box when closeBox is set; no
// minimise or maximise buttons.
void SetFixedBorder(QMdiSubWindow& window, bool closeBox);
// Sized around its client area and not resizable.
void FixSizeToClient(QMdiSubWindow& window);
// In the middle of the area that holds the window, its top left corner kept
// inside it. Nothing happens before the window sits in an area.
void CentreInArea(QMdiSubWindow& window);
