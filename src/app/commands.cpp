#include "app/commands.h"

#include <array>

#include "text/texts.h"

namespace drollo {

namespace {

constexpr std::array kToolBar{
    ToolButtonEntry{"SpeedButton3", DROLLO_TEXT("TForm1", "打开新图片"), true, Handler::Open1Click},
    ToolButtonEntry{"SpeedButton4", DROLLO_TEXT("TForm1", "保存"), true, Handler::Save1Click},
    ToolButtonEntry{"SpeedButton5", DROLLO_TEXT("TForm1", "撤销"), false, Handler::Undo1Click},
    ToolButtonEntry{"SpeedButton10", DROLLO_TEXT("TForm1", "重做"), false, Handler::Redo1Click},
    ToolButtonEntry{"SpeedButton6", DROLLO_TEXT("TForm1", "重新开始"), true, Handler::RenewClick},
    ToolButtonEntry{"SpeedButton8", DROLLO_TEXT("TForm1", "缩小"), true,
                    Handler::SpeedButton8Click},
    ToolButtonEntry{"SpeedButton9", DROLLO_TEXT("TForm1", "放大"), true,
                    Handler::SpeedButton9Click},
    ToolButtonEntry{"SpeedButton2", DROLLO_TEXT("TForm1", "选择剪切区域"), true,
                    Handler::SpeedButton2Click},
    ToolButtonEntry{"SpeedButton11", DROLLO_TEXT("TForm1", "剪切所选"), false,
                    Handler::SpeedButton11Click},
    ToolButtonEntry{"SpeedButton16", DROLLO_TEXT("TForm1", "打印"), true,
                    Handler::SpeedButton16Click},
    ToolButtonEntry{"SpeedButton1", DROLLO_TEXT("TForm1", "把作品发给朋友"), true,
                    Handler::SpeedButton1Click},
    ToolButtonEntry{"SpeedButton7", DROLLO_TEXT("TForm1", "在线"), true, Handler::Online1Click},
};

constexpr std::array<std::string_view, 3> kMenuBar{
    DROLLO_TEXT("TForm1", "文件"), DROLLO_TEXT("TForm1", "编辑"), DROLLO_TEXT("TForm1", "帮助")};

constexpr std::array kMenus{
    MenuEntry{"Open1", "文件", DROLLO_TEXT("TForm1", "打开"), true, Handler::Open1Click},
    MenuEntry{"Save1", "文件", DROLLO_TEXT("TForm1", "保存"), true, Handler::Save1Click},
    MenuEntry{"Exit1", "文件", DROLLO_TEXT("TForm1", "退出"), true, Handler::Exit1Click},
    MenuEntry{"ImageSize1", "编辑", DROLLO_TEXT("TForm1", "图片尺寸"), true,
              Handler::ImageSize1Click},
    MenuEntry{"Undo1", "编辑", DROLLO_TEXT("TForm1", "撤销"), false, Handler::Undo1Click},
    MenuEntry{"Redo1", "编辑", DROLLO_TEXT("TForm1", "重做"), false, Handler::Redo1Click},
    MenuEntry{"Renew", "编辑", DROLLO_TEXT("TForm1", "重新开始"), true, Handler::RenewClick},
    MenuEntry{"Online1", "帮助", DROLLO_TEXT("TForm1", "在线"), true, Handler::Online1Click},
    MenuEntry{"Help2", "帮助", DROLLO_TEXT("TForm1", "帮助"), true, Handler::Help2Click},
    MenuEntry{"About1", "帮助", DROLLO_TEXT("TForm1", "关于"), true, Handler::About1Click},
};

// The undo and redo short-cuts stay enabled while their buttons are disabled; only the copy
// short-cut follows the crop rectangle.
constexpr std::array kShortcuts{
    ShortcutEntry{"Action1", "Ctrl+O", true, Handler::Open1Click},
    ShortcutEntry{"Action2", "Ctrl+S", true, Handler::Save1Click},
    ShortcutEntry{"Action3", "Ctrl+Q", true, Handler::Exit1Click},
    ShortcutEntry{"Action4", "Ctrl+Z", true, Handler::Undo1Click},
    ShortcutEntry{"Action5", "Ctrl+Y", true, Handler::Redo1Click},
    ShortcutEntry{"Action6", "Ctrl+C", false, Handler::Action6Execute},
    ShortcutEntry{"Action7", "Ctrl+-", true, Handler::SpeedButton8Click},
    ShortcutEntry{"Action8", "Ctrl+=", true, Handler::SpeedButton9Click},
    ShortcutEntry{"Action9", "Ctrl+V", true, Handler::Action9Execute},
    ShortcutEntry{"Action10", "Ctrl+E", true, Handler::ImageSize1Click},
    ShortcutEntry{"Action11", "Ctrl+P", true, Handler::SpeedButton16Click},
    ShortcutEntry{"Action12", "Ctrl+R", true, Handler::RenewClick},
    ShortcutEntry{"Action13", "Ctrl+M", true, Handler::SpeedButton1Click},
    ShortcutEntry{"Action14", "F1", true, Handler::Help2Click},
    ShortcutEntry{"Action15", "Ctrl+L", true, Handler::Online1Click},
};

}  // namespace

std::string_view HandlerName(Handler h) {
  switch (h) {
    case Handler::Open1Click:
      return "Open1Click";
    case Handler::Save1Click:
      return "Save1Click";
    case Handler::Exit1Click:
      return "Exit1Click";
    case Handler::Undo1Click:
      return "Undo1Click";
    case Handler::Redo1Click:
      return "Redo1Click";
    case Handler::RenewClick:
      return "RenewClick";
    case Handler::SpeedButton8Click:
      return "SpeedButton8Click";
    case Handler::SpeedButton9Click:
      return "SpeedButton9Click";
    case Handler::SpeedButton2Click:
      return "SpeedButton2Click";
    case Handler::SpeedButton11Click:
      return "SpeedButton11Click";
    case Handler::SpeedButton16Click:
      return "SpeedButton16Click";
    case Handler::SpeedButton1Click:
      return "SpeedButton1Click";
    case Handler::Online1Click:
      return "Online1Click";
    case Handler::Help2Click:
      return "Help2Click";
    case Handler::About1Click:
      return "About1Click";
    case Handler::ImageSize1Click:
      return "ImageSize1Click";
    case Handler::Action6Execute:
      return "Action6Execute";
    case Handler::Action9Execute:
      return "Action9Execute";
  }
  return "";
}

std::span<const ToolButtonEntry> ToolBarButtons() {
  return kToolBar;
}
std::span<const MenuEntry> MenuEntries() {
  return kMenus;
}
std::span<const ShortcutEntry> Shortcuts() {
  return kShortcuts;
}
std::span<const std::string_view> MenuBar() {
  return kMenuBar;
}

}  // namespace drollo
