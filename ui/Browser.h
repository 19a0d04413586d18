// Opening an address in the user's web browser. The launcher is a seam:
// tests put a recorder in place of the browser.
#pragma once

#include <functional>
#include <string>

// Receives the address as Windows-1250 bytes, exactly as the user chose it.
using TBrowserLauncher = std::function<void(const std::string& address)>;

// Hands the address to the current launcher; a failure stays silent.
void OpenInBrowser(const std::string& address);

// Installs a launcher and returns the one it replaces; an empty one
// restores the default, which runs xdg-open with the address as its one
// argument (no shell, so the address is never interpreted).
TBrowserLauncher SetBrowserLauncher(TBrowserLauncher launcher);
