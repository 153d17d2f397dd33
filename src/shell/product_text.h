#pragma once
// The product's own texts, shown by the splash and about windows.
#include <QString>

namespace norvane::product {

QString title();            // "Norvane Professional Edition"
QString version();          // "Version 7.00.00"
QString licenseCaption();   // "License information:"
QString releaseLine();
QString description();      // the about window's one-line description
// Three paragraphs separated by CR LF.
QString disclaimer();

}  // namespace norvane::product
