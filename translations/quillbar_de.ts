<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>BackendChooser</name>
    <message>
        <source>GNOME Shell on Wayland and X11, with Quillbar&apos;s Shell extension</source>
        <translation>GNOME Shell unter Wayland und X11, mit Quillbars Shell-Erweiterung</translation>
    </message>
    <message>
        <source>sway (Wayland): workspaces per output, through SWAYSOCK</source>
        <translation>sway (Wayland): Arbeitsbereiche je Ausgang, über SWAYSOCK</translation>
    </message>
    <message>
        <source>i3 (X11): workspaces per output, through its IPC socket</source>
        <translation>i3 (X11): Arbeitsbereiche je Ausgang, über seinen IPC-Socket</translation>
    </message>
    <message>
        <source>KDE Plasma (KWin) on Wayland and X11, over the session bus</source>
        <translation>KDE Plasma (KWin) unter Wayland und X11, über den Sitzungsbus</translation>
    </message>
    <message>
        <source>X11 window managers with EWMH desktops</source>
        <translation>X11-Fenstermanager mit EWMH-Arbeitsflächen</translation>
    </message>
    <message>
        <source>GNOME Shell extension quillbar@quillbar.org is not enabled: run gnome-extensions enable quillbar@quillbar.org</source>
        <extracomment>The first-run hint puts what follows the last &quot;: &quot; (the command) on a line of its own.</extracomment>
        <translation>Die GNOME-Shell-Erweiterung quillbar@quillbar.org ist nicht aktiviert. Zum Aktivieren ausführen: gnome-extensions enable quillbar@quillbar.org</translation>
    </message>
    <message>
        <source>Backends (--backend; &quot;auto&quot; tries them in this order):</source>
        <translation>Backends (--backend; „auto“ probiert sie in dieser Reihenfolge):</translation>
    </message>
    <message>
        <source>Wayland compositors with ext-workspace-v1 (labwc, sway 1.12, Hyprland, niri, COSMIC)</source>
        <translation>Wayland-Compositoren mit ext-workspace-v1 (labwc, sway 1.12, Hyprland, niri, COSMIC)</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Choose one of --json and --i3bar.</source>
        <translation>Bitte nur eine der Optionen --json und --i3bar angeben.</translation>
    </message>
    <message>
        <source>--i3bar goes with --follow (the bar reads an endless array).</source>
        <translation>--i3bar gehört zu --follow (die Leiste liest ein endloses Array).</translation>
    </message>
    <message>
        <source>--json goes with --print-title or --follow.</source>
        <translation>--json gehört zu --print-title oder --follow.</translation>
    </message>
    <message>
        <source>Names and emoji for your virtual desktops, in the system tray.</source>
        <translation>Namen und Emojis für Ihre virtuellen Arbeitsflächen, im Systemabschnitt der Kontrollleiste.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Diese Hilfe anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Die Version anzeigen und beenden.</translation>
    </message>
    <message>
        <source>Also write the log lines to stderr.</source>
        <translation>Die Protokollzeilen auch auf stderr ausgeben.</translation>
    </message>
    <message>
        <source>Print the running instance&apos;s title (the current desktop) and exit.</source>
        <translation>Den Titel der laufenden Instanz (die aktuelle Arbeitsfläche) ausgeben und beenden.</translation>
    </message>
    <message>
        <source>Print the title again on every change (for status bars).</source>
        <translation>Den Titel bei jeder Änderung erneut ausgeben (für Statusleisten).</translation>
    </message>
    <message>
        <source>With --print-title or --follow: print waybar&apos;s {&quot;text&quot;, &quot;tooltip&quot;}.</source>
        <translation>Mit --print-title oder --follow: {&quot;text&quot;, &quot;tooltip&quot;} für waybar ausgeben.</translation>
    </message>
    <message>
        <source>With --follow: speak the i3bar protocol (a status_command for swaybar and i3bar).</source>
        <translation>Mit --follow: das i3bar-Protokoll sprechen (ein status_command für swaybar und i3bar).</translation>
    </message>
    <message>
        <source>Ask the running instance to switch to desktop &lt;number&gt;.</source>
        <translation>Die laufende Instanz bitten, zur Arbeitsfläche &lt;Nummer&gt; zu wechseln.</translation>
    </message>
    <message>
        <source>number</source>
        <translation>Nummer</translation>
    </message>
    <message>
        <source>Ask the running instance to open its rename window.</source>
        <translation>Die laufende Instanz bitten, ihr Fenster zum Umbenennen zu öffnen.</translation>
    </message>
    <message>
        <source>The desktop to work with: auto (the default) or one of the backends below.</source>
        <translation>Die Arbeitsumgebung, mit der gearbeitet wird: auto (Vorgabe) oder eines der Backends unten.</translation>
    </message>
    <message>
        <source>name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Usage: quillbar [options]</source>
        <translation>Aufruf: quillbar [Optionen]</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Unerwartetes Argument „%1“.</translation>
    </message>
    <message>
        <source>Unknown backend &apos;%1&apos;; the backends are: %2.</source>
        <translation>Unbekanntes Backend „%1“; die Backends sind: %2.</translation>
    </message>
    <message>
        <source>Choose one of --debug-switch-to, --debug-settings and --print-title/--follow.</source>
        <translation>Bitte nur eine der Optionen --debug-switch-to, --debug-settings und --print-title/--follow angeben.</translation>
    </message>
    <message>
        <source>--debug-switch-to needs a desktop number (1, 2, …), not &apos;%1&apos;.</source>
        <translation>--debug-switch-to braucht die Nummer einer Arbeitsfläche (1, 2, …), nicht „%1“.</translation>
    </message>
</context>
<context>
    <name>EmojiCatalog</name>
    <message>
        <source>Work</source>
        <translation>Arbeit</translation>
    </message>
    <message>
        <source>Communication</source>
        <translation>Kommunikation</translation>
    </message>
    <message>
        <source>Building</source>
        <translation>Bauen</translation>
    </message>
    <message>
        <source>Creative</source>
        <translation>Kreatives</translation>
    </message>
    <message>
        <source>Life</source>
        <translation>Alltag</translation>
    </message>
    <message>
        <source>Marks</source>
        <translation>Zeichen</translation>
    </message>
</context>
<context>
    <name>FirstRun</name>
    <message>
        <source>Quillbar — click to name or switch desktops</source>
        <translation>Quillbar – klicken, um Arbeitsflächen zu benennen oder zu wechseln</translation>
    </message>
</context>
<context>
    <name>MenuContent</name>
    <message>
        <source>Desktop ?</source>
        <translation>Arbeitsfläche ?</translation>
    </message>
    <message>
        <source>Rename Spaces…</source>
        <translation>Arbeitsflächen umbenennen …</translation>
    </message>
    <message>
        <source>Launch at Login</source>
        <translation>Beim Anmelden starten</translation>
    </message>
    <message>
        <source>Update Available…</source>
        <translation>Aktualisierung verfügbar …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>Quillbar v%1</source>
        <translation>Quillbar v%1</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>labwc runs no login items: add “quillbar &amp;” to ~/.config/labwc/autostart</source>
        <translation>labwc startet keine Anmeldeobjekte: „quillbar &amp;“ in ~/.config/labwc/autostart eintragen</translation>
    </message>
    <message>
        <source>%1 runs no login items: add “exec quillbar” to its config</source>
        <translation>%1 startet keine Anmeldeobjekte: „exec quillbar“ in seine Konfiguration eintragen</translation>
    </message>
</context>
<context>
    <name>UpdateMessageBoxDriver</name>
    <message>
        <source>Release notes: %1</source>
        <translation>Versionshinweise: %1</translation>
    </message>
    <message>
        <source>Quillbar Update</source>
        <translation>Quillbar-Aktualisierung</translation>
    </message>
    <message>
        <source>A new version of Quillbar is available.</source>
        <translation>Eine neue Version von Quillbar ist verfügbar.</translation>
    </message>
    <message>
        <source>Quillbar %1 is available; you have %2.</source>
        <translation>Quillbar %1 ist verfügbar; Sie haben %2.</translation>
    </message>
    <message>
        <source>The feed&apos;s download address is not a secure web address, so Quillbar does not open it: %1</source>
        <translation>Die Download-Adresse aus dem Feed ist keine sichere Webadresse, daher öffnet Quillbar sie nicht: %1</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Herunterladen</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Diese Version überspringen</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Später erinnern</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Quillbar ist auf dem neuesten Stand</translation>
    </message>
    <message>
        <source>Quillbar %1 is the newest version.</source>
        <translation>Quillbar %1 ist die neueste Version.</translation>
    </message>
    <message>
        <source>Quillbar Update Error</source>
        <translation>Fehler bei der Quillbar-Aktualisierung</translation>
    </message>
    <message>
        <source>Quillbar could not check for updates.</source>
        <translation>Quillbar konnte nicht nach Aktualisierungen suchen.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source> (see --help)</source>
        <translation> (siehe --help)</translation>
    </message>
</context>
<context>
    <name>quillbar::EmojiGrid</name>
    <message>
        <source>Choose an emoji</source>
        <translation>Emoji auswählen</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <source>Search emoji</source>
        <translation>Emoji suchen</translation>
    </message>
    <message>
        <source>No emoji found</source>
        <translation>Kein Emoji gefunden</translation>
    </message>
    <message>
        <source>Search results</source>
        <translation>Suchergebnisse</translation>
    </message>
</context>
<context>
    <name>quillbar::EmojiPicker</name>
    <message>
        <source>Choose an emoji</source>
        <translation>Emoji auswählen</translation>
    </message>
    <message>
        <source>Change the emoji</source>
        <translation>Emoji ändern</translation>
    </message>
    <message>
        <source>No emoji</source>
        <translation>Kein Emoji</translation>
    </message>
</context>
<context>
    <name>quillbar::MenuBarLocationHint</name>
    <message>
        <source>Got it</source>
        <translation>Verstanden</translation>
    </message>
    <message>
        <source>Quillbar is in your panel&apos;s tray</source>
        <translation>Quillbar befindet sich im Systemabschnitt Ihrer Leiste</translation>
    </message>
    <message>
        <source>Look in your panel&apos;s tray, at the top or bottom of the screen, for the blue square with &lt;b&gt;%1&lt;/b&gt; in it: the number of the desktop you are on. Click it to switch desktops, or to open this window again.</source>
        <translation>Suchen Sie im Systemabschnitt Ihrer Leiste, oben oder unten am Bildschirm, nach dem blauen Quadrat mit &lt;b&gt;%1&lt;/b&gt; darin: der Nummer der Arbeitsfläche, auf der Sie sich befinden. Klicken Sie darauf, um die Arbeitsfläche zu wechseln oder dieses Fenster wieder zu öffnen.</translation>
    </message>
    <message>
        <source>Look in your panel&apos;s tray, at the top or bottom of the screen, for the emoji of the desktop you are on, as shown here. Click it to switch desktops, or to open this window again.</source>
        <translation>Suchen Sie im Systemabschnitt Ihrer Leiste, oben oder unten am Bildschirm, nach dem Emoji der Arbeitsfläche, auf der Sie sich befinden, wie hier gezeigt. Klicken Sie darauf, um die Arbeitsfläche zu wechseln oder dieses Fenster wieder zu öffnen.</translation>
    </message>
    <message>
        <source>Quillbar is in the top bar</source>
        <translation>Quillbar ist in der oberen Leiste</translation>
    </message>
    <message>
        <source>Look at the right of the top bar for the emoji and name of the desktop you are on, written as text. Click them to switch desktops, or to open this window again.</source>
        <translation>Rechts in der oberen Leiste stehen Emoji und Name der Arbeitsfläche, auf der Sie sind, als Text. Klicken Sie darauf, um die Arbeitsfläche zu wechseln oder dieses Fenster wieder zu öffnen.</translation>
    </message>
    <message>
        <source>No system tray found</source>
        <translation>Kein Systemabschnitt der Kontrollleiste gefunden</translation>
    </message>
    <message>
        <source>No system tray found: the title is served to &lt;b&gt;quillbar --print-title --follow&lt;/b&gt;, for a panel or bar that runs a command.</source>
        <translation>Kein Systemabschnitt der Kontrollleiste gefunden: Der Titel wird an &lt;b&gt;quillbar --print-title --follow&lt;/b&gt; geliefert, für eine Leiste, die einen Befehl ausführt.</translation>
    </message>
</context>
<context>
    <name>quillbar::NetworkFeedFetcher</name>
    <message>
        <source>The update server did not answer within %1 seconds.</source>
        <translation>Der Aktualisierungsserver hat nicht innerhalb von %1 Sekunden geantwortet.</translation>
    </message>
    <message>
        <source>The update feed address %1 is not a secure (https) address.</source>
        <translation>Die Feed-Adresse %1 ist keine sichere (https-)Adresse.</translation>
    </message>
    <message>
        <source>The update server redirected to %1, which is not a secure (https) address.</source>
        <translation>Der Aktualisierungsserver hat nach %1 umgeleitet, das ist keine sichere (https-)Adresse.</translation>
    </message>
    <message>
        <source>The update feed is larger than %1 bytes.</source>
        <translation>Der Aktualisierungs-Feed ist größer als %1 Byte.</translation>
    </message>
    <message>
        <source>The update server answered with HTTP status %1 (%2).</source>
        <translation>Der Aktualisierungsserver antwortete mit HTTP-Status %1 (%2).</translation>
    </message>
    <message>
        <source>The update server could not be reached: %1</source>
        <translation>Der Aktualisierungsserver ist nicht erreichbar: %1</translation>
    </message>
</context>
<context>
    <name>quillbar::QuillbarApp</name>
    <message>
        <source>Quit Quillbar</source>
        <translation>Quillbar beenden</translation>
    </message>
    <message>
        <source>Desktop ?</source>
        <translation>Arbeitsfläche ?</translation>
    </message>
    <message>
        <source>Names are not saved: %1</source>
        <translation>Namen werden nicht gespeichert: %1</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsHeader</name>
    <message>
        <source>Display</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Emoji</source>
        <translation>Emoji</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsSpaceRow</name>
    <message>
        <source>Name of %1 on %2</source>
        <translation>Name von %1 auf %2</translation>
    </message>
    <message>
        <source>Name of %1</source>
        <translation>Name von %1</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsView</name>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>%1 spaces</source>
        <translation>%1 Arbeitsflächen</translation>
    </message>
    <message>
        <source>Names are not saved: %1</source>
        <translation>Namen werden nicht gespeichert: %1</translation>
    </message>
    <message>
        <source>Use these names in the desktop</source>
        <translation>Diese Namen auf der Arbeitsfläche verwenden</translation>
    </message>
    <message>
        <source>This desktop cannot show these names</source>
        <translation>Diese Arbeitsumgebung kann diese Namen nicht zeigen</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsWindowController</name>
    <message>
        <source>Rename Spaces</source>
        <translation>Arbeitsflächen umbenennen</translation>
    </message>
</context>
<context>
    <name>quillbar::UpdateFeedFetcher</name>
    <message>
        <source>Quillbar&apos;s update component could not be loaded (%1).</source>
        <translation>Quillbars Aktualisierungskomponente konnte nicht geladen werden (%1).</translation>
    </message>
</context>
<context>
    <name>quillbar::UpdaterController</name>
    <message>
        <source>Update Available…</source>
        <translation>Aktualisierung verfügbar …</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Nach Aktualisierungen suchen …</translation>
    </message>
    <message>
        <source>The update feed could not be read: %1</source>
        <translation>Der Aktualisierungs-Feed konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>Quillbar update available</source>
        <translation>Quillbar-Aktualisierung verfügbar</translation>
    </message>
    <message>
        <source>Quillbar %1 is available. Choose “Update Available…” in the menu.</source>
        <translation>Quillbar %1 ist verfügbar. Wählen Sie im Menü „Aktualisierung verfügbar …“.</translation>
    </message>
</context>
</TS>
