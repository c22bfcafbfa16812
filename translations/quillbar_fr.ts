<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>BackendChooser</name>
    <message>
        <source>GNOME Shell on Wayland and X11, with Quillbar&apos;s Shell extension</source>
        <translation>GNOME Shell sous Wayland et X11, avec l’extension Shell de Quillbar</translation>
    </message>
    <message>
        <source>sway (Wayland): workspaces per output, through SWAYSOCK</source>
        <translation>sway (Wayland) : espaces de travail par sortie, via SWAYSOCK</translation>
    </message>
    <message>
        <source>i3 (X11): workspaces per output, through its IPC socket</source>
        <translation>i3 (X11) : espaces de travail par sortie, via sa socket IPC</translation>
    </message>
    <message>
        <source>KDE Plasma (KWin) on Wayland and X11, over the session bus</source>
        <translation>KDE Plasma (KWin) sous Wayland et X11, via le bus de session</translation>
    </message>
    <message>
        <source>X11 window managers with EWMH desktops</source>
        <translation>gestionnaires de fenêtres X11 avec bureaux EWMH</translation>
    </message>
    <message>
        <source>GNOME Shell extension quillbar@quillbar.org is not enabled: run gnome-extensions enable quillbar@quillbar.org</source>
        <extracomment>The first-run hint puts what follows the last &quot;: &quot; (the command) on a line of its own.</extracomment>
        <translation>L’extension GNOME Shell quillbar@quillbar.org n’est pas activée. Pour l’activer, exécutez : gnome-extensions enable quillbar@quillbar.org</translation>
    </message>
    <message>
        <source>Backends (--backend; &quot;auto&quot; tries them in this order):</source>
        <translation>Moteurs (--backend ; « auto » les essaie dans cet ordre) :</translation>
    </message>
    <message>
        <source>Wayland compositors with ext-workspace-v1 (labwc, sway 1.12, Hyprland, niri, COSMIC)</source>
        <translation>Compositeurs Wayland avec ext-workspace-v1 (labwc, sway 1.12, Hyprland, niri, COSMIC)</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Choose one of --json and --i3bar.</source>
        <translation>Choisissez --json ou --i3bar, pas les deux.</translation>
    </message>
    <message>
        <source>--i3bar goes with --follow (the bar reads an endless array).</source>
        <translation>--i3bar s’utilise avec --follow (la barre lit un tableau sans fin).</translation>
    </message>
    <message>
        <source>--json goes with --print-title or --follow.</source>
        <translation>--json s’utilise avec --print-title ou --follow.</translation>
    </message>
    <message>
        <source>Names and emoji for your virtual desktops, in the system tray.</source>
        <translation>Des noms et des emoji pour vos bureaux virtuels, dans la zone de notification.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Afficher cette aide et quitter.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Afficher la version et quitter.</translation>
    </message>
    <message>
        <source>Also write the log lines to stderr.</source>
        <translation>Écrire aussi les lignes du journal sur stderr.</translation>
    </message>
    <message>
        <source>Print the running instance&apos;s title (the current desktop) and exit.</source>
        <translation>Afficher le titre de l’instance en cours (le bureau actuel) et quitter.</translation>
    </message>
    <message>
        <source>Print the title again on every change (for status bars).</source>
        <translation>Afficher à nouveau le titre à chaque changement (pour les barres d’état).</translation>
    </message>
    <message>
        <source>With --print-title or --follow: print waybar&apos;s {&quot;text&quot;, &quot;tooltip&quot;}.</source>
        <translation>Avec --print-title ou --follow : afficher le {&quot;text&quot;, &quot;tooltip&quot;} de waybar.</translation>
    </message>
    <message>
        <source>With --follow: speak the i3bar protocol (a status_command for swaybar and i3bar).</source>
        <translation>Avec --follow : parler le protocole i3bar (une status_command pour swaybar et i3bar).</translation>
    </message>
    <message>
        <source>Ask the running instance to switch to desktop &lt;number&gt;.</source>
        <translation>Demander à l’instance en cours de passer au bureau &lt;numéro&gt;.</translation>
    </message>
    <message>
        <source>number</source>
        <translation>numéro</translation>
    </message>
    <message>
        <source>Ask the running instance to open its rename window.</source>
        <translation>Demander à l’instance en cours d’ouvrir sa fenêtre de renommage.</translation>
    </message>
    <message>
        <source>The desktop to work with: auto (the default) or one of the backends below.</source>
        <translation>L’environnement de bureau à utiliser : auto (par défaut) ou l’un des moteurs ci-dessous.</translation>
    </message>
    <message>
        <source>name</source>
        <translation>nom</translation>
    </message>
    <message>
        <source>Usage: quillbar [options]</source>
        <translation>Utilisation : quillbar [options]</translation>
    </message>
    <message>
        <source>Unexpected argument &apos;%1&apos;.</source>
        <translation>Argument inattendu « %1 ».</translation>
    </message>
    <message>
        <source>Unknown backend &apos;%1&apos;; the backends are: %2.</source>
        <translation>Moteur inconnu « %1 » ; les moteurs sont : %2.</translation>
    </message>
    <message>
        <source>Choose one of --debug-switch-to, --debug-settings and --print-title/--follow.</source>
        <translation>Choisissez une seule option parmi --debug-switch-to, --debug-settings et --print-title/--follow.</translation>
    </message>
    <message>
        <source>--debug-switch-to needs a desktop number (1, 2, …), not &apos;%1&apos;.</source>
        <translation>--debug-switch-to attend un numéro de bureau (1, 2, …), pas « %1 ».</translation>
    </message>
</context>
<context>
    <name>EmojiCatalog</name>
    <message>
        <source>Work</source>
        <translation>Travail</translation>
    </message>
    <message>
        <source>Communication</source>
        <translation>Communication</translation>
    </message>
    <message>
        <source>Building</source>
        <translation>Construction</translation>
    </message>
    <message>
        <source>Creative</source>
        <translation>Création</translation>
    </message>
    <message>
        <source>Life</source>
        <translation>Vie quotidienne</translation>
    </message>
    <message>
        <source>Marks</source>
        <translation>Signes</translation>
    </message>
</context>
<context>
    <name>FirstRun</name>
    <message>
        <source>Quillbar — click to name or switch desktops</source>
        <translation>Quillbar — cliquez pour nommer les bureaux ou en changer</translation>
    </message>
</context>
<context>
    <name>MenuContent</name>
    <message>
        <source>Desktop ?</source>
        <translation>Bureau ?</translation>
    </message>
    <message>
        <source>Rename Spaces…</source>
        <translation>Renommer les bureaux…</translation>
    </message>
    <message>
        <source>Launch at Login</source>
        <translation>Lancer à l’ouverture de session</translation>
    </message>
    <message>
        <source>Update Available…</source>
        <translation>Mise à jour disponible…</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Rechercher des mises à jour…</translation>
    </message>
    <message>
        <source>Quillbar v%1</source>
        <translation>Quillbar v%1</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>labwc runs no login items: add “quillbar &amp;” to ~/.config/labwc/autostart</source>
        <translation>labwc ne lance aucun élément de connexion : ajoutez « quillbar &amp; » à ~/.config/labwc/autostart</translation>
    </message>
    <message>
        <source>%1 runs no login items: add “exec quillbar” to its config</source>
        <translation>%1 ne lance aucun élément de connexion : ajoutez « exec quillbar » à sa configuration</translation>
    </message>
</context>
<context>
    <name>UpdateMessageBoxDriver</name>
    <message>
        <source>Release notes: %1</source>
        <translation>Notes de version : %1</translation>
    </message>
    <message>
        <source>Quillbar Update</source>
        <translation>Mise à jour de Quillbar</translation>
    </message>
    <message>
        <source>A new version of Quillbar is available.</source>
        <translation>Une nouvelle version de Quillbar est disponible.</translation>
    </message>
    <message>
        <source>Quillbar %1 is available; you have %2.</source>
        <translation>Quillbar %1 est disponible ; vous avez la version %2.</translation>
    </message>
    <message>
        <source>The feed&apos;s download address is not a secure web address, so Quillbar does not open it: %1</source>
        <translation>L’adresse de téléchargement du flux n’est pas une adresse web sécurisée, Quillbar ne l’ouvre donc pas : %1</translation>
    </message>
    <message>
        <source>Download</source>
        <translation>Télécharger</translation>
    </message>
    <message>
        <source>Skip This Version</source>
        <translation>Ignorer cette version</translation>
    </message>
    <message>
        <source>Remind Me Later</source>
        <translation>Me le rappeler plus tard</translation>
    </message>
    <message>
        <source>You&apos;re up to date</source>
        <translation>Quillbar est à jour</translation>
    </message>
    <message>
        <source>Quillbar %1 is the newest version.</source>
        <translation>Quillbar %1 est la version la plus récente.</translation>
    </message>
    <message>
        <source>Quillbar Update Error</source>
        <translation>Erreur de mise à jour de Quillbar</translation>
    </message>
    <message>
        <source>Quillbar could not check for updates.</source>
        <translation>Quillbar n’a pas pu rechercher de mises à jour.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source> (see --help)</source>
        <translation> (voir --help)</translation>
    </message>
</context>
<context>
    <name>quillbar::EmojiGrid</name>
    <message>
        <source>Choose an emoji</source>
        <translation>Choisir un emoji</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Rechercher</translation>
    </message>
    <message>
        <source>Search emoji</source>
        <translation>Rechercher un emoji</translation>
    </message>
    <message>
        <source>No emoji found</source>
        <translation>Aucun emoji trouvé</translation>
    </message>
    <message>
        <source>Search results</source>
        <translation>Résultats de la recherche</translation>
    </message>
</context>
<context>
    <name>quillbar::EmojiPicker</name>
    <message>
        <source>Choose an emoji</source>
        <translation>Choisir un emoji</translation>
    </message>
    <message>
        <source>Change the emoji</source>
        <translation>Changer l’emoji</translation>
    </message>
    <message>
        <source>No emoji</source>
        <translation>Aucun emoji</translation>
    </message>
</context>
<context>
    <name>quillbar::MenuBarLocationHint</name>
    <message>
        <source>Got it</source>
        <translation>Compris</translation>
    </message>
    <message>
        <source>Quillbar is in your panel&apos;s tray</source>
        <translation>Quillbar se trouve dans la zone de notification de votre panneau</translation>
    </message>
    <message>
        <source>Look in your panel&apos;s tray, at the top or bottom of the screen, for the blue square with &lt;b&gt;%1&lt;/b&gt; in it: the number of the desktop you are on. Click it to switch desktops, or to open this window again.</source>
        <translation>Cherchez dans la zone de notification de votre panneau, en haut ou en bas de l’écran, le carré bleu contenant &lt;b&gt;%1&lt;/b&gt; : le numéro du bureau où vous êtes. Cliquez dessus pour changer de bureau ou pour rouvrir cette fenêtre.</translation>
    </message>
    <message>
        <source>Look in your panel&apos;s tray, at the top or bottom of the screen, for the emoji of the desktop you are on, as shown here. Click it to switch desktops, or to open this window again.</source>
        <translation>Cherchez dans la zone de notification de votre panneau, en haut ou en bas de l’écran, l’emoji du bureau où vous êtes, tel qu’il apparaît ici. Cliquez dessus pour changer de bureau ou pour rouvrir cette fenêtre.</translation>
    </message>
    <message>
        <source>Quillbar is in the top bar</source>
        <translation>Quillbar est dans la barre supérieure</translation>
    </message>
    <message>
        <source>Look at the right of the top bar for the emoji and name of the desktop you are on, written as text. Click them to switch desktops, or to open this window again.</source>
        <translation>À droite de la barre supérieure figurent, en texte, l’emoji et le nom du bureau où vous êtes. Cliquez dessus pour changer de bureau ou rouvrir cette fenêtre.</translation>
    </message>
    <message>
        <source>No system tray found</source>
        <translation>Aucune zone de notification trouvée</translation>
    </message>
    <message>
        <source>No system tray found: the title is served to &lt;b&gt;quillbar --print-title --follow&lt;/b&gt;, for a panel or bar that runs a command.</source>
        <translation>Aucune zone de notification trouvée : le titre est servi à &lt;b&gt;quillbar --print-title --follow&lt;/b&gt;, pour un panneau ou une barre qui lance une commande.</translation>
    </message>
</context>
<context>
    <name>quillbar::NetworkFeedFetcher</name>
    <message>
        <source>The update server did not answer within %1 seconds.</source>
        <translation>Le serveur de mises à jour n’a pas répondu en %1 secondes.</translation>
    </message>
    <message>
        <source>The update feed address %1 is not a secure (https) address.</source>
        <translation>L’adresse du flux de mises à jour %1 n’est pas une adresse sécurisée (https).</translation>
    </message>
    <message>
        <source>The update server redirected to %1, which is not a secure (https) address.</source>
        <translation>Le serveur de mises à jour a redirigé vers %1, qui n’est pas une adresse sécurisée (https).</translation>
    </message>
    <message>
        <source>The update feed is larger than %1 bytes.</source>
        <translation>Le flux de mises à jour dépasse %1 octets.</translation>
    </message>
    <message>
        <source>The update server answered with HTTP status %1 (%2).</source>
        <translation>Le serveur de mises à jour a répondu avec le statut HTTP %1 (%2).</translation>
    </message>
    <message>
        <source>The update server could not be reached: %1</source>
        <translation>Impossible de joindre le serveur de mises à jour : %1</translation>
    </message>
</context>
<context>
    <name>quillbar::QuillbarApp</name>
    <message>
        <source>Quit Quillbar</source>
        <translation>Quitter Quillbar</translation>
    </message>
    <message>
        <source>Desktop ?</source>
        <translation>Bureau ?</translation>
    </message>
    <message>
        <source>Names are not saved: %1</source>
        <translation>Les noms ne sont pas enregistrés : %1</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsHeader</name>
    <message>
        <source>Display</source>
        <translation>Écran</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
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
        <translation>Nom de %1 sur %2</translation>
    </message>
    <message>
        <source>Name of %1</source>
        <translation>Nom de %1</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsView</name>
    <message>
        <source>Done</source>
        <translation>Terminé</translation>
    </message>
    <message>
        <source>%1 spaces</source>
        <translation>%1 bureaux</translation>
    </message>
    <message>
        <source>Names are not saved: %1</source>
        <translation>Les noms ne sont pas enregistrés : %1</translation>
    </message>
    <message>
        <source>Use these names in the desktop</source>
        <translation>Utiliser ces noms dans le bureau</translation>
    </message>
    <message>
        <source>This desktop cannot show these names</source>
        <translation>Ce bureau ne peut pas afficher ces noms</translation>
    </message>
</context>
<context>
    <name>quillbar::SettingsWindowController</name>
    <message>
        <source>Rename Spaces</source>
        <translation>Renommer les bureaux</translation>
    </message>
</context>
<context>
    <name>quillbar::UpdateFeedFetcher</name>
    <message>
        <source>Quillbar&apos;s update component could not be loaded (%1).</source>
        <translation>Le composant de mise à jour de Quillbar n’a pas pu être chargé (%1).</translation>
    </message>
</context>
<context>
    <name>quillbar::UpdaterController</name>
    <message>
        <source>Update Available…</source>
        <translation>Mise à jour disponible…</translation>
    </message>
    <message>
        <source>Check for Updates…</source>
        <translation>Rechercher des mises à jour…</translation>
    </message>
    <message>
        <source>The update feed could not be read: %1</source>
        <translation>Le flux de mises à jour n’a pas pu être lu : %1</translation>
    </message>
    <message>
        <source>Quillbar update available</source>
        <translation>Mise à jour de Quillbar disponible</translation>
    </message>
    <message>
        <source>Quillbar %1 is available. Choose “Update Available…” in the menu.</source>
        <translation>Quillbar %1 est disponible. Choisissez « Mise à jour disponible… » dans le menu.</translation>
    </message>
</context>
</TS>
