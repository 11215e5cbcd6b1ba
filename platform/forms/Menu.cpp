#include "platform/forms/Menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include "platform/forms/MdiForm.h"
#include "platform/runtime/Dispatch.h"

namespace platform {

struct Menu::Impl {
    QPointer<QMenu> menu;      // for menus on the bar
    QPointer<QAction> action;  // the entry that opens or chooses it
    std::function<void()> click;
    MdiForm* frame = nullptr;
    QList<QAction*> windowEntries;
};

Menu::Menu(MdiForm& frame, std::string name, const std::string& caption)
    : name_(std::move(name)), d_(std::make_unique<Impl>()) {
    d_->frame = &frame;
    d_->menu = frame.MenuBar()->addMenu(QString::fromStdString(caption));
    d_->action = d_->menu->menuAction();
}

Menu::Menu(Menu& parent, std::string name, const std::string& caption)
    : name_(std::move(name)), d_(std::make_unique<Impl>()) {
    d_->frame = parent.d_->frame;
    d_->action = parent.d_->menu->addAction(QString::fromStdString(caption));
    QObject::connect(d_->action, &QAction::triggered, d_->action, [this] { Click(); });
}

Menu::~Menu() = default;

std::string Menu::Caption() const {
    return d_->action ? d_->action->text().toStdString() : std::string();
}

void Menu::OnClick(std::function<void()> handler) {
    d_->click = std::move(handler);
}

void Menu::Click() {
    if (d_->click) {
        Dispatch(name_ + "_Click", d_->click);
    }
}

void Menu::SetWindowList(bool on) {
    if (!on || !d_->menu) {
        return;
    }
    QMenu* menu = d_->menu;
    MdiForm* frame = d_->frame;
    Impl* d = d_.get();
    // The list is rebuilt each time the menu opens, so it always shows the current captions.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, frame, d] {
        for (QAction* entry : d->windowEntries) {
            menu->removeAction(entry);
            entry->deleteLater();
        }
        d->windowEntries.clear();
        const std::vector<std::string> captions = frame->ChildCaptions();
        if (captions.empty()) {
            return;
        }
        d->windowEntries.append(menu->addSeparator());
        const int active = frame->ActiveChildIndex();
        for (int index = 0; index < static_cast<int>(captions.size()); ++index) {
            QAction* entry = menu->addAction(QString::fromStdString(captions[index]));
            entry->setCheckable(true);
            entry->setChecked(index == active);
            QObject::connect(entry, &QAction::triggered, entry, [frame, index] {
                Dispatch("WindowList_Click", [frame, index] { frame->ActivateChild(index); });
            });
            d->windowEntries.append(entry);
        }
    });
}

}  // namespace platform
