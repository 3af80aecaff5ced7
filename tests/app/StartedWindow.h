#pragma once
// A main window started on temporary folders with the real templates, its
// message boxes and dialogs answered by a script.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "FakeFolders.h"
#include "RecordingUi.h"
#include "TempDir.h"
#include "app/TfrmMain.h"

namespace qzt::test {

// A main window started on temporary folders with the real templates.
struct StartedWindow {
    explicit StartedWindow(const std::function<void(FakeFolders&)>& prepare = {},
                           std::vector<std::string> arguments = {}) {
        auto folders = std::make_shared<FakeFolders>();
        folders->executable = std::string(QZT_RUNTIME_DIR) + "/";
        folders->appData = dir / "data";
        folders->documents = dir / "docs";
        std::filesystem::create_directories(*folders->appData);
        std::filesystem::create_directories(*folders->documents);
        if (prepare) {
            prepare(*folders);
        }
        auto ui = std::make_unique<RecordingUi>(window, script);
        recording = ui.get();
        window.SetUserInterface(std::move(ui));
        window.FormCreate(StartOptions{std::move(arguments), folders});
        window.CreateDialogs();
    }
    template <typename T>
    T* Get(const char* name) {
        T* control = window.findChild<T*>(name);
        if (control == nullptr) {
            qFatal("no control %s", name);
        }
        return control;
    }
    QString CaptionOf(const char* name) {
        QObject* o = window.findChild<QObject*>(name);
        if (auto* l = qobject_cast<QLabel*>(o))
            return l->text();
        if (auto* g = qobject_cast<QGroupBox*>(o))
            return g->title();
        if (auto* m = qobject_cast<QMenu*>(o))
            return m->title();
        if (auto* a = qobject_cast<QAction*>(o))
            return a->text();
        return "<no control>";
    }

    TempDir dir;
    ScriptedUserInterface script;
    TfrmMain window;
    RecordingUi* recording = nullptr;
};

}  // namespace qzt::test
