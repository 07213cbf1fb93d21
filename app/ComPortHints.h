// The device hint of the serial pages: each port choice ("COM1".."COM4") shows which device the
// item reaches, as the item's tooltip, and a label beside the drop-down list names the device
// of the chosen item, or says that none is present. The hints are looked up again whenever the
// page is shown or the list is about to open, so an adapter plugged in meanwhile appears.
#pragma once

class QComboBox;
class QWidget;

// Adds the hint to one port choice. The label is a sibling of the list, to its right.
void AttachComPortHint(QComboBox* combo);

// Adds the hint to every port choice of the window (the drop-down lists named "...ComCombo").
void AttachComPortHints(QWidget* window);

// Looks the hints of one port choice up now (what showing the page does).
void RefreshComPortHint(QComboBox* combo);
