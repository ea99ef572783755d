#include "discovery/OAuthProviders.h"

#include <QString>

namespace discovery {
namespace {

struct Provider {
  const char* name;
  const char* authorizeUrl;
  const char* tokenUrl;
  const char* scope;  // reading mail over IMAP, and a refresh token to renew access with
  const char* where;  // where the user registers a desktop application
};

// As the providers document them for IMAP access by a desktop (installed) application.
const Provider kProviders[] = {
    {"google", "https://accounts.google.com/o/oauth2/v2/auth",
     "https://oauth2.googleapis.com/token", "https://mail.google.com/",
     "the Google Cloud console (a \u201CDesktop app\u201D OAuth client)"},
    {"microsoft", "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
     "https://login.microsoftonline.com/common/oauth2/v2.0/token",
     "https://outlook.office.com/IMAP.AccessAsUser.All offline_access",
     "the Microsoft Entra admin center (an app registration with a \u201CMobile and desktop "
     "applications\u201D platform)"},
};

const Provider* Find(const std::string& name) {
  for (const Provider& provider : kProviders) {
    if (name == provider.name) return &provider;
  }
  return nullptr;
}

}  // namespace

bool UseProvider(const std::string& name, OAuth2Client& client) {
  const Provider* provider = Find(name);
  if (!provider) return false;
  client.provider = provider->name;
  if (client.authorizeUrl.empty()) client.authorizeUrl = provider->authorizeUrl;
  if (client.tokenUrl.empty()) client.tokenUrl = provider->tokenUrl;
  if (client.scope.empty()) client.scope = provider->scope;
  return true;
}

std::string ProviderOfHost(const std::string& host) {
  const QString name = QString::fromStdString(host).toCaseFolded();
  auto is = [&](const char* domain) {
    return name == domain || name.endsWith(QString(".") + domain);
  };
  if (is("gmail.com") || is("googlemail.com") || is("google.com")) return "google";
  if (is("outlook.com") || is("office365.com") || is("hotmail.com") || is("live.com")) {
    return "microsoft";
  }
  return {};
}

std::string MissingClientId(const store::imap::Account& account) {
  const OAuth2Client& client = account.oauth2;
  if (account.logOn != store::imap::LogOnWith::OAuth2 || !client.clientId.empty()) return {};
  const Provider* provider = Find(client.provider);
  std::string text = "The account \u201C" + account.name + "\u201D signs in with OAuth2";
  text += provider ? " at " + std::string(provider->name == std::string("google") ? "Google"
                                                                                  : "Microsoft")
                   : "";
  text += ", which needs an application of your own registered with the provider";
  text += provider ? std::string(" in ") + provider->where : "";
  const char* security[] = {"tls", "starttls", "none"};  // in the order Security lists them
  text += ". Add its client id to " + client.configFile + ":\n\n[" + client.section +
          "]\nhost = " + account.host + "\nport = " + std::to_string(account.EffectivePort()) +
          "\nsecurity = " + security[static_cast<int>(account.security)] +
          "\nuser = " + account.user + "\nauth = oauth2\n";
  text += provider ? "provider = " + client.provider + "\n"
                   : "authorize_url = https://...\ntoken_url = https://...\nscope = ...\n";
  text += "client_id = YOUR-CLIENT-ID\n";
  if (client.provider == "google") text += "client_secret = YOUR-CLIENT-SECRET\n";
  return text;
}

}  // namespace discovery
