// Found first on the include path of the core layers (model, link, exchange,
// storage): every Qt Widgets header includes this file, so a widget header
// reached from a core layer, by any path, stops the build here.
#error "The core layers know no widget: include Qt Widgets only in src/app or src/dialogs"
