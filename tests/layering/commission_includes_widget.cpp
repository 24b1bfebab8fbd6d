// Commissioning is a core layer: no widget.
#include <QWidget>
