// The tool's dark look.
#include "app/DarkPalette.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

void ApplyDarkLook(QApplication& app) {
  app.setStyle(QStyleFactory::create("Fusion"));
  QPalette p;
  const QColor window(37, 37, 38), base(24, 24, 24), text(225, 225, 225), mid(60, 60, 62);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, mid);
  p.setColor(QPalette::ToolTipBase, window);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(48, 48, 50));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::red);
  p.setColor(QPalette::Link, QColor(90, 160, 255));
  p.setColor(QPalette::Highlight, QColor(70, 110, 170));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
  app.setPalette(p);
}
