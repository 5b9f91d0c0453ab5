#pragma once

#include <QWidget>

// The background-choice window: a plain fill colour or a background picture.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget *parent = nullptr);
};
