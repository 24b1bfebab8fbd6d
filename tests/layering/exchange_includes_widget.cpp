// No core layer knows a widget.
#include <QWidget>
