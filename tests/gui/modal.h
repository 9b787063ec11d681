#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace kestrix::test {

// Runs `action` on the window that `find` returns once there is one, from
// inside the event loop of the code under test; gives up after five seconds.
template <class T>
void WhenOpen(std::function<T*()> find, std::function<void(T&)> action) {
  auto* clock = new QElapsedTimer;
  clock->start();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, clock, find, action] {
    T* window = find();
    if (!window && clock->elapsed() < 5000) return;
    timer->stop();
    timer->deleteLater();
    delete clock;
    if (window) action(*window);
  });
  timer->start(10);
}

// Acts on the modal window of type T once the code under test has opened it.
template <class T>
void OnModal(std::function<void(T&)> action) {
  WhenOpen<T>([] { return qobject_cast<T*>(QApplication::activeModalWidget()); }, std::move(action));
}

// Acts on a visible top-level window of type T, modal or not, once it is open.
template <class T>
void OnWindow(std::function<void(T&)> action) {
  WhenOpen<T>(
      []() -> T* {
        for (QWidget* widget : QApplication::topLevelWidgets())
          if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) return window;
        return nullptr;
      },
      std::move(action));
}

}  // namespace kestrix::test
