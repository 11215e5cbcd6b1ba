#pragma once
// The Qt windows behind forms (platform use only). Each tells its form what happened to it.

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QWidget>

#include "platform/forms/Form.h"

namespace platform {

// A form's client area; for top-level forms, also its window.
class FormClient : public QWidget {
  public:
    FormClient(Form* form, QWidget* parent, Qt::WindowFlags flags)
        : QWidget(parent, flags), form_(form) {}
    void Detach() { form_ = nullptr; }
    // Cascading sizes child windows by their hint: the hint is the design size.
    void SetDesignSize(QSize size) { designSize_ = size; }
    QSize sizeHint() const override {
        return designSize_.isValid() ? designSize_ : QWidget::sizeHint();
    }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    Form* form_;
    QSize designSize_;
};

// The frame of a child window inside the multiple-document frame. Once shown, it owns its
// form: when the window goes, the form goes with it.
class ChildFrame : public QMdiSubWindow {
  public:
    explicit ChildFrame(Form* form);
    ~ChildFrame() override;
    Form* form() const { return form_; }
    void Detach() { form_ = nullptr; }
    void SetOwnsForm(bool owns) { ownsForm_ = owns; }
    bool OwnsForm() const { return ownsForm_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Form* form_;
    bool ownsForm_ = false;
};

class FrameWindow : public QMainWindow {
  public:
    FrameWindow() = default;
    void SetForm(Form* form) { form_ = form; }
    void Detach() { form_ = nullptr; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    Form* form_ = nullptr;
};

// Gives a form the window that MdiForm built.
struct FormWindows {
    QWidget* outer;
    QWidget* client;
};

}  // namespace platform
