#pragma once

// The icons of the framework's buttons: the platform theme's when it has one, otherwise a
// simple drawing of our own, so that a button never shows up blank.

#include <QIcon>

enum class StockIcon { Search, Calendar, First, Prior, Next, Last };

QIcon themeIcon(StockIcon glyph);
