#include "app/print_mail.h"

#include <cstdint>
#include <cstdlib>

namespace drollo {

Rect PrintLayout(int width, int height, int pageWidth, int pageHeight) {
  // Doubling 0 would never reach half the page.
  if (width <= 0 || height <= 0) return Rect{};
  std::int64_t h = height;
  std::int64_t w = width;
  for (;;) {
    if (h >= pageHeight / 2) break;
    if (w >= pageWidth / 2) break;
    h *= 2;
    w *= 2;
  }
  const std::int64_t left = (pageWidth - w) / 2;
  const std::int64_t top = (pageHeight - h) / 2;
  return Rect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + w),
              static_cast<int>(top + h)};
}

MailMessage BuildMapiMessage(const NamedValues& values) {
  MailMessage m;
  auto value = [&](const std::string& name) -> const std::string* {
    const auto it = values.find(name);
    return it == values.end() ? nullptr : &it->second;
  };
  if (const std::string* to = value("to")) m.To = MailMessage::Recipient{*to, "SMTP:" + *to};
  for (int i = 0;; ++i) {
    const std::string* path = value("attachment" + std::to_string(i));
    if (!path) break;
    const std::size_t slash = path->find_last_of('/');
    m.Attachments.push_back({*path, slash == std::string::npos ? *path : path->substr(slash + 1)});
  }
  if (const std::string* subject = value("subject")) m.Subject = *subject;
  if (const std::string* body = value("body")) m.NoteText = *body;
  return m;
}

int SendMapiMail(MailProgram* mail, const NamedValues& values) {
  if (!mail) return 1;
  return mail->Send(BuildMapiMessage(values));
}

std::string MailBody(const TextLookup& texts) {
  // The lines are translated one by one, so the line breaks stay the mail's own.
  auto line = [&](const char* source) { return texts.Translate("TForm1", source) + "\r\n"; };
  return line(DROLLO_TEXT("TForm1", "Hello!")) + "\r\n" +
         line(DROLLO_TEXT("TForm1", "It is a good software. The download link is folows:")) +
         kInstallerAddress + "\r\n" + "\r\n" +
         line(DROLLO_TEXT("TForm1", "Please try it. It would give you happiness!")) +
         texts.Translate("TForm1", "Good luck!");
}

std::string UserDataFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/drollo";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share/drollo";
}

}  // namespace drollo
