// The application object and its general error report: a failure that a
// handler lets through is shown in a message box and the program goes on.
#pragma once

#include <QApplication>

#include <exception>
#include <type_traits>
#include <utility>

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Makes a dialog transient for the owner's window (also one without a
// parent), with a title and a close box but no buttons to minimise or
// maximise it: window managers then keep it with that window instead of
// letting it be minimised on its own. Call it before the dialog is shown.
void MakeTransientFor(QWidget* dialog, QWidget* owner);

// The general error report: a message box with the failure's text.
void ShowException(const std::exception& e);
void ShowUnknownException();

// Runs a handler; what it throws goes to the general error report, so no
// exception ever unwinds through the toolkit.
template <class F>
void Guarded(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        ShowException(e);
    } catch (...) {
        ShowUnknownException();
    }
}

// Wraps a handler for QObject::connect: the slot takes the signal's
// arguments the handler accepts and runs the handler guarded.
template <class F>
auto Handler(F handler) {
    return [handler = std::move(handler)](auto&&... args) -> decltype(handler(args...), void()) {
        Guarded([&] { handler(args...); });
    };
}
