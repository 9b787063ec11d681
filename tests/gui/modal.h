#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kestrix::test {

// Acts on the modal window of type T once the code under test has opened it,
// from inside that window's own event loop; gives up after five seconds.
template <class T>
void OnModal(std::function<void(T&)> action) {
  auto* clock = new QElapsedTimer;
  clock->start();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, clock, action] {
    T* window = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!window && clock->elapsed() < 5000) return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (window) action(*window);
  });
  timer->start(10);
}

}  // namespace kestrix::test
