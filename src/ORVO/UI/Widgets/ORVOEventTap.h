#pragma once

#include <QObject>
#include <functional>

// Hands every event a watched object gets to a function, and passes it on unchanged.
class ORVOEventTap : public QObject {
public:
    using Handler = std::function<void(QObject*, QEvent*)>;
    ORVOEventTap(QObject* parent, Handler handler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Handler handler;
};
