// The interface in English and in Chinese. In English no text a window, dialog or message shows
// is still Chinese, and every caption fits its control; in Chinese every text is the one the
// program is written with, byte for byte; Qt's own dialogs speak the interface's language; and
// the translation file covers exactly the texts marked in the sources.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolTip>
#include <QXmlStreamReader>
#include <filesystem>
#include <fstream>
#include <set>

#include "desktop_fixture.h"
#include "platform/desktop_services.h"
#include "platform/dialogs.h"
#include "platform/languages.h"
#include "platform/qt_pictures.h"

namespace drollo::test {
namespace {

using platform::Q;

bool HasChinese(const QString& s) {
  for (const QChar c : s) {
    const char16_t u = c.unicode();
    if ((u >= 0x3000 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) return true;
  }
  return false;
}

// Every text a user can read on a window and its children: titles, captions, labels, hints, tabs,
// menus and text boxes' contents (not what the user types into one-line fields, nor file lists).
// The work area's window menu is Qt's own; `qtsOwn` says whether it counts.
enum class QtsOwn { Included, Left };
QStringList TextsOf(QWidget* root, QtsOwn qtsOwn = QtsOwn::Included) {
  QStringList texts;
  // Shown without the mnemonics' markers ("&Open" reads "Open").
  auto add = [&](QString t) {
    t.replace("&&", "\x01").remove('&').replace("\x01", "&");
    if (!t.trimmed().isEmpty()) texts << t;
  };
  auto addActions = [&](QWidget* w) {
    for (QAction* a : w->actions()) {
      add(a->text());
      if (QMenu* m = a->menu()) {
        add(m->title());
        for (QAction* entry : m->actions()) add(entry->text());
      }
    }
  };
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* w : widgets) {
    if (qtsOwn == QtsOwn::Left && qobject_cast<QMenu*>(w) &&
        qobject_cast<QMdiSubWindow*>(w->parentWidget()))
      continue;
    if (w->isWindow() || qobject_cast<QMdiSubWindow*>(w)) add(w->windowTitle());
    add(w->toolTip());
    if (auto* l = qobject_cast<QLabel*>(w))
      add(Qt::mightBeRichText(l->text()) ? QTextDocumentFragment::fromHtml(l->text()).toPlainText()
                                         : l->text());
    if (auto* b = qobject_cast<QAbstractButton*>(w)) add(b->text());
    if (auto* bar = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < bar->count(); ++i) add(bar->tabText(i));
    if (auto* t = qobject_cast<QTextEdit*>(w)) add(t->toPlainText());
    if (auto* t = qobject_cast<QPlainTextEdit*>(w)) add(t->toPlainText());
    if (qobject_cast<QMenuBar*>(w) || qobject_cast<QMenu*>(w)) addActions(w);
  }
  return texts;
}

QStringList ChineseTexts(const QStringList& texts) {
  QStringList found;
  for (const QString& t : texts)
    if (HasChinese(t)) found << t;
  return found;
}

// Runs `show`, which opens a modal dialog, and returns the texts of that dialog, which it then
// closes as the user's Esc would.
template <typename Show>
QStringList TextsOfModalDialog(Show show) {
  QStringList texts;
  bool seen = false;
  QTimer poll;
  poll.setInterval(10);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    if (!dialog) return;
    poll.stop();
    seen = true;
    texts = TextsOf(dialog);
    if (auto* d = qobject_cast<QDialog*>(dialog)) d->reject();
  });
  poll.start();
  show();
  EXPECT_TRUE(seen) << "no dialog was shown";
  return texts;
}

// The marked texts of translations/drollo_en.ts.
struct Message {
  QString context, source, translation, type;
};

std::vector<Message> ReadTranslations(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  std::vector<Message> messages;
  QXmlStreamReader xml(&file);
  QString context;
  Message m;
  while (!xml.atEnd()) {
    xml.readNext();
    if (!xml.isStartElement()) continue;
    if (xml.name() == u"name") context = xml.readElementText();
    if (xml.name() == u"message") m = Message{context, {}, {}, {}};
    if (xml.name() == u"source") m.source = xml.readElementText();
    if (xml.name() == u"translation") {
      m.type = xml.attributes().value("type").toString();
      m.translation = xml.readElementText();
      messages.push_back(m);
    }
  }
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  return messages;
}

// Types into the outline page's radius box a text that is not a number, then a number too large,
// each ended with the double-click that applies it.
void TypeBadRadii(QLineEdit* radius) {
  for (const char* typed : {"3a", "99999999999"}) {
    radius->selectAll();
    QTest::keyClicks(radius, typed);
    QTest::mouseDClick(radius, Qt::LeftButton);
  }
}

// The main window with faked services, made after the language is installed, as the program
// makes it after reading the user's locale.
class LanguageScope {
 public:
  explicit LanguageScope(Language language) { platform::UseLanguage(language); }
  ~LanguageScope() { platform::RemoveLanguage(); }
};

class English : private LanguageScope, public DesktopWindow {
 protected:
  English() : LanguageScope(Language::English) {}

  // The palette's texts on each of its pages, with every drawing tool's width title, the
  // notebook's hint while a crop area is chosen and the outline-only caption of the work area.
  QStringList paletteAndWorkAreaTexts() {
    QStringList texts;
    QTabWidget* notebook = window.tools()->notebook();
    for (int page = 0; page < 4; ++page) {
      notebook->setCurrentIndex(page);
      texts << TextsOf(window.tools());
    }
    for (const char* tool : {"Tools.SpeedButton14", "Tools.SpeedButton6", "Tools.SpeedButton15",
                             "Tools.SpeedButton9", "Tools.SpeedButton13"}) {
      palette(tool)->click();
      texts << TextsOf(window.tools());
    }
    palette<QCheckBox>("CheckBox1")->click();
    texts << window.workAreaWindow()->windowTitle();
    palette<QCheckBox>("CheckBox1")->click();
    notebook->setCurrentIndex(1);
    palette("Tools.SpeedButton3")->click();  // the smudge's hint
    texts << imageHint();
    notebook->setCurrentIndex(0);
    QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
    texts << TextsOf(window.tools());
    QTest::mouseClick(window.toolButton("SpeedButton2"), Qt::LeftButton);
    return texts;
  }

  // The tool tip the work area shows over the picture.
  QString imageHint() {
    QHelpEvent help(QEvent::ToolTip, at(20, 20), client()->mapToGlobal(at(20, 20)));
    QApplication::sendEvent(client(), &help);
    const QString text = QToolTip::text();
    QToolTip::hideText();
    return text;
  }
};

TEST_F(English, NoWindowShowsAChineseText) {
  QStringList texts = TextsOf(&window);
  EXPECT_EQ(window.menuBar()->actions().first()->text(), "File");
  EXPECT_EQ(window.toolButton("SpeedButton3")->toolTip(), "Open a new picture");
  texts << paletteAndWorkAreaTexts();
  EXPECT_EQ(window.tools()->notebook()->tabText(2), "Sketch");
  texts << imageHint();
  EXPECT_EQ(imageHint(), "Click, or hold the button down");

  // The text tool's box opens with its start text in English, and that is what it draws.
  window.tools()->notebook()->setCurrentIndex(3);
  palette("Tools.SpeedButton13")->click();
  leftClick(at(40, 40));
  ASSERT_TRUE(view().memo()->isVisible());
  texts << TextsOf(view().memo());
  EXPECT_EQ(view().memo()->toPlainText(), "Type your text here");
  EXPECT_EQ(form().Work_area.Outline.Memo1.Text, "Type your text here");

  window.menuEntry("About1")->trigger();
  window.menuEntry("ImageSize1")->trigger();
  texts << TextsOf(window.about()) << TextsOf(window.imageSize());
  EXPECT_EQ(window.imageSize()->windowTitle(), "Picture Size");
  EXPECT_EQ(ChineseTexts(texts).join(" | ").toStdString(), "");
}

TEST_F(English, MessagesMailAndHelpPageAreEnglish) {
  // The radius box of the outline page: not a number, then a number too large.
  window.tools()->notebook()->setCurrentIndex(3);
  TypeBadRadii(palette<QLineEdit>("Edit1"));
  // The picture-size dialog with an empty field.
  keys(Qt::Key_E);
  window.imageSize()->widthField()->clear();
  QTest::keyClick(window.imageSize()->widthField(), Qt::Key_Backspace);
  QTest::mouseClick(window.imageSize()->findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
  // An icon that cannot be read.
  const std::string icon = folder / "broken.ico";
  std::ofstream(icon) << "not an icon";
  openDialog.answers.push_back(icon);
  keys(Qt::Key_O);
  QTest::mouseClick(window.toolButton("SpeedButton1"), Qt::LeftButton);

  ASSERT_EQ(messages.boxes.size(), 3u);
  EXPECT_EQ(messages.boxes[0].first, "Please enter a whole number.");
  EXPECT_EQ(messages.boxes[0].second, "Sorry");
  EXPECT_EQ(messages.boxes[1].second, "Information");
  EXPECT_EQ(messages.boxes[2].second, "Error");
  EXPECT_NE(messages.boxes[2].first.find("The picture " + icon + " could not be read."),
            std::string::npos)
      << messages.boxes[2].first;
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], "'99999999999' is too large a number.");
  ASSERT_EQ(mail.sent.size(), 1u);
  EXPECT_EQ(mail.sent[0].Subject, "A great program for you: Drollo");
  QStringList texts{Q(errors.messages[0]), Q(mail.sent[0].Subject), Q(mail.sent[0].NoteText)};
  for (const auto& [text, caption] : messages.boxes) texts << Q(text) << Q(caption);
  EXPECT_EQ(ChineseTexts(texts).join(" | ").toStdString(), "");
  // The mail's lines keep their breaks.
  EXPECT_EQ(Q(mail.sent[0].NoteText).count("\r\n"), 6);
  // The help page in English; the Chinese one stays for the Chinese interface.
  keys(Qt::Key_F1, Qt::NoModifier);
  ASSERT_EQ(browser.opened.size(), 1u);
  EXPECT_TRUE(Q(browser.opened[0]).endsWith("/share/drollo/help/faq_en.html")) << browser.opened[0];
  EXPECT_TRUE(Q(platform::FindHelpPage(Language::Chinese)).endsWith("/faq.html"));
}

// The captions of the palette and the picture-size dialog that do not fit the fixed place of
// their control, or controls that reach out of their page: a label needs its text's width, a
// radio button or check box its mark besides, a button its text inside its frame.
QStringList CaptionsTooWide(QWidget* root) {
  QStringList tooWide;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    QString text;
    int needed = 0;
    if (auto* l = qobject_cast<QLabel*>(w)) {
      text = l->text();
      needed = w->sizeHint().width();
    } else if (qobject_cast<QRadioButton*>(w) || qobject_cast<QCheckBox*>(w)) {
      text = static_cast<QAbstractButton*>(w)->text();
      needed = w->sizeHint().width();
    } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
      text = b->text();
      needed = w->fontMetrics().horizontalAdvance(text) +
               2 * w->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, w);
    }
    if (text.isEmpty() || Qt::mightBeRichText(text)) continue;
    if (needed > w->width())
      tooWide << QString("%1 (%2 > %3)").arg(text).arg(needed).arg(w->width());
    if (w->geometry().right() >= w->parentWidget()->width())
      tooWide << QString("%1 (out of its page: %2 > %3)")
                     .arg(text)
                     .arg(w->geometry().right())
                     .arg(w->parentWidget()->width() - 1);
  }
  return tooWide;
}

QStringList TextsTooWide(platform::MainWindow& window) {
  QStringList tooWide;
  for (int page = 0; page < 4; ++page) {
    window.tools()->notebook()->setCurrentIndex(page);
    tooWide << CaptionsTooWide(window.tools());
  }
  for (const char* tool : {"Tools.SpeedButton6", "Tools.SpeedButton9"}) {
    window.tools()->findChild<QAbstractButton*>(tool)->click();
    tooWide << CaptionsTooWide(window.tools());
  }
  tooWide << CaptionsTooWide(window.imageSize());
  // The notebook's tabs show their whole names, the last one inside the notebook.
  QTabBar* tabs = window.tools()->notebook()->tabBar();
  for (int i = 0; i < tabs->count(); ++i)
    if (tabs->tabRect(i).width() < tabs->fontMetrics().horizontalAdvance(tabs->tabText(i)) ||
        tabs->mapTo(window.tools()->notebook(), tabs->tabRect(i).topRight()).x() >=
            window.tools()->notebook()->width())
      tooWide << tabs->tabText(i);
  tooWide.removeDuplicates();
  return tooWide;
}

// The palette's fixed places hold the English captions.
TEST_F(English, EveryCaptionFitsItsControl) {
  EXPECT_EQ(TextsTooWide(window).join(", ").toStdString(), "");
}

TEST_F(English, QtsOwnDialogsSpeakEnglish) {
  platform::QtOpenPictureDialog open(&window);
  const QStringList openTexts = TextsOfModalDialog([&] { open.Execute("*.jpg|*.jpg", 1); });
  EXPECT_TRUE(openTexts.contains("Look in:")) << openTexts.join(" | ").toStdString();
  EXPECT_TRUE(openTexts.contains("Open"));
  platform::QtMessageBoxes boxes(&window);
  const QStringList boxTexts = TextsOfModalDialog([&] { boxes.MessageBox("text", "caption"); });
  EXPECT_TRUE(boxTexts.contains("OK")) << boxTexts.join(" | ").toStdString();
  TColor colour = kBlack;
  const QStringList colourTexts =
      TextsOfModalDialog([&] { platform::ExecuteColorDialog(&window, colour); });
  EXPECT_EQ(ChineseTexts(openTexts + boxTexts + colourTexts).join(" | ").toStdString(), "");
}

class Chinese : private LanguageScope, public DesktopWindow {
 protected:
  Chinese() : LanguageScope(Language::Chinese) {}
};

// What each window shows with the Chinese interface is what it shows with no translation at all,
// and every Chinese text is a source text of the translation file.
TEST_F(Chinese, EveryTextIsTheProgramsOwn) {
  window.menuEntry("About1")->trigger();
  window.menuEntry("ImageSize1")->trigger();
  auto all = [](platform::MainWindow& w) {
    const QtsOwn left = QtsOwn::Left;
    QStringList texts = TextsOf(&w, left);
    texts << TextsOf(w.tools(), left) << TextsOf(w.about(), left) << TextsOf(w.imageSize(), left);
    for (int page = 1; page < 4; ++page) {
      w.tools()->notebook()->setCurrentIndex(page);
      texts << TextsOf(w.tools(), left);
    }
    return texts;
  };
  QStringList shown = all(window);

  platform::RemoveLanguage();
  PlatformServices services = Services();
  platform::MainWindow written(&services);
  written.menuEntry("About1")->trigger();
  written.menuEntry("ImageSize1")->trigger();
  // Compared as sets: the menu bar of a window on the screen also lists a menu in its overflow.
  QStringList asWritten = all(written);
  for (QStringList* texts : {&shown, &asWritten}) {
    texts->removeDuplicates();
    texts->sort();
  }
  EXPECT_EQ(shown.join(" | ").toStdString(), asWritten.join(" | ").toStdString());
  platform::UseLanguage(Language::Chinese);

  // Every Chinese text is a source text of the translation file (rich text, shown as several
  // lines, is compared above only).
  std::set<QString> sources;
  for (const Message& m : ReadTranslations(DROLLO_TS_FILE)) sources.insert(m.source);
  for (const QString& t : ChineseTexts(shown))
    if (!t.contains('\n') && !t.contains(QChar(0x2028))) {
      EXPECT_TRUE(sources.count(t)) << t.toStdString();
    }
  EXPECT_EQ(window.menuBar()->actions().first()->text(), "文件");
  EXPECT_EQ(window.tools()->notebook()->tabText(0), "扭曲");
}

TEST_F(Chinese, EveryCaptionFitsItsControl) {
  EXPECT_EQ(TextsTooWide(window).join(", ").toStdString(), "");
}

TEST_F(Chinese, MessagesAreTheProgramsOwnAndTheHelpPageIsChinese) {
  window.tools()->notebook()->setCurrentIndex(3);
  TypeBadRadii(palette<QLineEdit>("Edit1"));
  ASSERT_EQ(messages.boxes.size(), 1u);
  EXPECT_EQ(messages.boxes[0].first, "Invalid integer");
  EXPECT_EQ(messages.boxes[0].second, "Sorry");
  ASSERT_EQ(errors.messages.size(), 1u);
  EXPECT_EQ(errors.messages[0], "'99999999999' 不是有效的整型值");
  palette("Tools.SpeedButton13")->click();
  leftClick(at(40, 40));
  EXPECT_EQ(view().memo()->toPlainText(), "请在这里输入文本");
  keys(Qt::Key_F1, Qt::NoModifier);
  ASSERT_EQ(browser.opened.size(), 1u);
  EXPECT_TRUE(Q(browser.opened[0]).endsWith("/share/drollo/help/faq.html")) << browser.opened[0];
}

// Qt's dialogs and standard buttons beside the Chinese menus are Chinese too.
TEST_F(Chinese, QtsOwnDialogsSpeakChinese) {
  platform::QtOpenPictureDialog open(&window);
  const QStringList openTexts = TextsOfModalDialog([&] { open.Execute("*.jpg|*.jpg", 1); });
  EXPECT_FALSE(openTexts.contains("Look in:")) << openTexts.join(" | ").toStdString();
  EXPECT_FALSE(openTexts.contains("File name:"));
  EXPECT_TRUE(openTexts.contains("打开"));
  platform::QtMessageBoxes boxes(&window);
  const QStringList boxTexts = TextsOfModalDialog([&] { boxes.MessageBox("text", "caption"); });
  EXPECT_FALSE(boxTexts.contains("OK")) << boxTexts.join(" | ").toStdString();
  EXPECT_FALSE(ChineseTexts(boxTexts).isEmpty());
  TColor colour = kBlack;
  const QStringList colourTexts =
      TextsOfModalDialog([&] { platform::ExecuteColorDialog(&window, colour); });
  EXPECT_GE(ChineseTexts(colourTexts).size(), 5) << colourTexts.join(" | ").toStdString();
  // The work area's window menu.
  QStringList menu;
  for (QAction* a : window.workAreaWindow()->systemMenu()->actions()) menu << a->text();
  EXPECT_GE(ChineseTexts(menu).size(), 3) << menu.join(" | ").toStdString();
}

// lupdate run over the sources in a scratch copy of the file: every marked text has a finished
// translation, no entry is left over from a text that is gone, and each translation keeps the
// places (%1, %2) its source fills in and no Chinese.
// The texts the windows read back after every event are kept per place and looked up again when
// the translators change.
TEST(ShownText, FollowsAChangeOfTheTranslators) {
  platform::ShownText menu;
  platform::UseLanguage(Language::English);
  EXPECT_EQ(menu("TForm1", "文件"), "File");
  platform::UseLanguage(Language::Chinese);
  EXPECT_EQ(menu("TForm1", "文件"), "文件");
  platform::UseLanguage(Language::English);
  EXPECT_EQ(menu("TForm1", "文件"), "File");
  EXPECT_EQ(menu("TForm1", ""), "");
  platform::RemoveLanguage();
  EXPECT_EQ(menu("TForm1", "文件"), "文件");
  EXPECT_EQ(platform::Shown("TForm1", "文件"), "文件");
}

TEST(TranslationFile, CoversEveryMarkedTextAndNothingElse) {
  TempFolder scratch;
  const QString copy = Q(std::string(scratch / "drollo_en.ts"));
  ASSERT_TRUE(QFile::copy(DROLLO_TS_FILE, copy));
  QStringList arguments = QString(DROLLO_LUPDATE_OPTIONS).split(' ', Qt::SkipEmptyParts);
  arguments << QString("@") + DROLLO_TRANSLATED_SOURCES << "-ts" << copy;
  QProcess lupdate;
  lupdate.start(DROLLO_LUPDATE, arguments);
  ASSERT_TRUE(lupdate.waitForFinished(120000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  const std::vector<Message> messages = ReadTranslations(copy);
  EXPECT_GT(messages.size(), 80u);
  const QRegularExpression place("%\\d");
  for (const Message& m : messages) {
    const std::string name = (m.context + " / " + m.source).toStdString();
    EXPECT_EQ(m.type, "") << name;  // "unfinished" for a new text, "vanished" for a gone one
    EXPECT_FALSE(m.translation.isEmpty()) << name;
    EXPECT_FALSE(HasChinese(m.translation)) << name;
    QStringList sourcePlaces, translationPlaces;
    for (const auto& p : place.globalMatch(m.source)) sourcePlaces << p.captured();
    for (const auto& p : place.globalMatch(m.translation)) translationPlaces << p.captured();
    sourcePlaces.sort();
    translationPlaces.sort();
    EXPECT_EQ(sourcePlaces, translationPlaces) << name;
  }
}

}  // namespace
}  // namespace drollo::test
