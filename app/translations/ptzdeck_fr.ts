<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>CommandNotice</name>
    <message>
        <source>The camera&apos;s own commands need access to its USB device, which the udev rule grants: run sudo make install, then plug the camera in again.</source>
        <translation>Les commandes propres à la caméra ont besoin d&apos;accéder à son périphérique USB, ce que permet la règle udev : lancez sudo make install, puis rebranchez la caméra.</translation>
    </message>
    <message>
        <source>This camera takes its own commands only while no other program is using it: close the program that shows its picture, then try again.</source>
        <translation>Cette caméra n&apos;accepte ses commandes propres que si aucun autre programme ne l&apos;utilise : fermez le programme qui affiche son image, puis réessayez.</translation>
    </message>
    <message>
        <source>The camera does not answer its commands: unplug it and plug it in again.</source>
        <translation>La caméra ne répond pas à ses commandes : débranchez-la puis rebranchez-la.</translation>
    </message>
    <message>
        <source>The presets file %1 is damaged: %2. ptzdeck leaves it as it is and keeps no presets in it; mend it or move it away.</source>
        <translation>Le fichier des préréglages %1 est endommagé : %2. ptzdeck le laisse tel quel et n&apos;y conserve aucun préréglage ; réparez-le ou déplacez-le.</translation>
    </message>
    <message>
        <source>Presets cannot be kept in %1: %2.</source>
        <translation>Impossible de conserver les préréglages dans %1 : %2.</translation>
    </message>
    <message>
        <source>The network camera at %1 does not answer: check that it is on and reachable. Its tab lights again when it answers.</source>
        <translation>La caméra réseau à l&apos;adresse %1 ne répond pas : vérifiez qu&apos;elle est allumée et joignable. Son onglet se rallume dès qu&apos;elle répond.</translation>
    </message>
</context>
<context>
    <name>Gamepads</name>
    <message>
        <source>Gamepad: %1</source>
        <translation>Manette : %1</translation>
    </message>
    <message>
        <source>Gamepad: %1 (no access)</source>
        <translation>Manette : %1 (pas d&apos;accès)</translation>
    </message>
    <message>
        <source>No gamepad</source>
        <translation>Aucune manette</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Camera controls</source>
        <translation>Commandes de la caméra</translation>
    </message>
    <message>
        <source>Pan and tilt</source>
        <translation>Panoramique et inclinaison</translation>
    </message>
    <message>
        <source>Pan and tilt: drag the knob the way the camera should turn, farther for faster; or hold the arrow keys</source>
        <translation>Panoramique et inclinaison : faites glisser le bouton dans la direction où la caméra doit tourner, plus loin pour aller plus vite ; ou maintenez les touches fléchées</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Zoom: drag up or down, or hold T / W</source>
        <translation>Zoom : faites glisser vers le haut ou le bas, ou maintenez T / W</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>Mise au point</translation>
    </message>
    <message>
        <source>Focus, in manual focus: drag up (far) or down (near), or hold Page Up / Page Down</source>
        <translation>Mise au point, en mise au point manuelle : faites glisser vers le haut (loin) ou le bas (près), ou maintenez Page précédente / Page suivante</translation>
    </message>
    <message>
        <source>Auto focus</source>
        <translation>Mise au point automatique</translation>
    </message>
    <message>
        <source>Auto focus on or off; off, the focus slider works (A)</source>
        <translation>Mise au point automatique activée ou désactivée ; désactivée, le curseur de mise au point agit (A)</translation>
    </message>
    <message>
        <source>Auto framing</source>
        <translation>Cadrage automatique</translation>
    </message>
    <message>
        <source>Auto framing on or off (F: on, M: off)</source>
        <translation>Cadrage automatique activé ou désactivé (F : activé, M : désactivé)</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Ponctuel</translation>
    </message>
    <message>
        <source>Frame the picture once, now (O)</source>
        <translation>Cadrer l&apos;image une fois, maintenant (O)</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Définir</translation>
    </message>
    <message>
        <source>Store: the next preset digit stores the camera&apos;s position there (S)</source>
        <translation>Enregistrer : le prochain chiffre y enregistre la position de la caméra (S)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Effacer</translation>
    </message>
    <message>
        <source>Clear: the next preset digit clears that preset (C)</source>
        <translation>Effacer : le prochain chiffre efface ce préréglage (C)</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Position initiale</translation>
    </message>
    <message>
        <source>Send the camera to its home position (Home or H)</source>
        <translation>Ramener la caméra à sa position initiale (Origine ou H)</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>Retourner</translation>
    </message>
    <message>
        <source>Turn the picture upside down, or back (V)</source>
        <translation>Retourner l&apos;image tête en bas, ou la remettre (V)</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Miroir</translation>
    </message>
    <message>
        <source>Mirror the picture left to right, or back (R)</source>
        <translation>Inverser l&apos;image de gauche à droite, ou la remettre (R)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Couper</translation>
    </message>
    <message>
        <source>Mute the camera&apos;s picture, or let it through again (U)</source>
        <translation>Couper l&apos;image de la caméra, ou la rétablir (U)</translation>
    </message>
    <message>
        <source>Stay on top</source>
        <translation>Toujours au premier plan</translation>
    </message>
    <message>
        <source>Keep the panel above other windows, or not (Ctrl+T)</source>
        <translation>Garder le panneau au-dessus des autres fenêtres, ou non (Ctrl+T)</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Réduire</translation>
    </message>
    <message>
        <source>Minimize to the notification area (Ctrl+M)</source>
        <translation>Réduire dans la zone de notification (Ctrl+M)</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Quit ptzdeck (Ctrl+Q)</source>
        <translation>Quitter ptzdeck (Ctrl+Q)</translation>
    </message>
    <message>
        <source>Picture settings</source>
        <translation>Paramètres de l&apos;image</translation>
    </message>
    <message>
        <source>Show or hide the picture settings (Ctrl+,)</source>
        <translation>Afficher ou masquer les paramètres de l&apos;image (Ctrl+,)</translation>
    </message>
    <message>
        <source>Preset %1</source>
        <translation>Préréglage %1</translation>
    </message>
    <message>
        <source>Recall preset %1 (key %1); after Set, store it; after Clear, clear it</source>
        <translation>Rappeler le préréglage %1 (touche %1) ; après Définir, l&apos;enregistrer ; après Effacer, l&apos;effacer</translation>
    </message>
    <message>
        <source>Camera %1 (Alt+%1)</source>
        <translation>Caméra %1 (Alt+%1)</translation>
    </message>
    <message>
        <source>Camera %1: %2</source>
        <translation>Caméra %1 : %2</translation>
    </message>
    <message>
        <source>Camera %1: none</source>
        <translation>Caméra %1 : aucune</translation>
    </message>
    <message>
        <source>%1, open</source>
        <translation>%1, ouverte</translation>
    </message>
    <message>
        <source>Backlight compensation</source>
        <translation>Compensation du contre-jour</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>Gamma</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>Saturation</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Luminosité</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Netteté</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>Balance des blancs</translation>
    </message>
    <message>
        <source>%1: drag, or reach it with Tab and change it with the arrow keys</source>
        <translation>%1 : faites glisser, ou atteignez-le avec Tab et modifiez-le avec les touches fléchées</translation>
    </message>
    <message>
        <source>%1 value</source>
        <translation>Valeur de %1</translation>
    </message>
    <message>
        <source>Anti-flicker</source>
        <translation>Anti-scintillement</translation>
    </message>
    <message>
        <source>Anti-flicker: the frequency of the mains that light the room; with Tab and the arrow keys too</source>
        <translation>Anti-scintillement : la fréquence du secteur qui alimente l&apos;éclairage ; aussi avec Tab et les touches fléchées</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Par défaut</translation>
    </message>
    <message>
        <source>Put every picture setting back to the camera&apos;s default</source>
        <translation>Remettre tous les paramètres de l&apos;image aux valeurs par défaut de la caméra</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close the picture settings (Esc)</source>
        <translation>Fermer les paramètres de l&apos;image (Échap)</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Masquer</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Afficher</translation>
    </message>
    <message>
        <source>VISCA bridge: off</source>
        <translation>Passerelle VISCA : désactivée</translation>
    </message>
    <message>
        <source>VISCA bridge: no camera served</source>
        <translation>Passerelle VISCA : aucune caméra servie</translation>
    </message>
    <message>
        <source>VISCA bridge, %1</source>
        <translation>Passerelle VISCA, %1</translation>
    </message>
</context>
<context>
    <name>NO_Device</name>
    <message>
        <source>No correct camera was found.</source>
        <translation>Aucune caméra adaptée n&apos;a été trouvée.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Quit ptzdeck</source>
        <translation>Quitter ptzdeck</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this notice; the panel opens a camera when one is plugged in</source>
        <translation>Fermer cet avis ; le panneau ouvre une caméra dès qu&apos;elle est branchée</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>Aucune caméra</translation>
    </message>
</context>
<context>
    <name>NO_Mord_Camera</name>
    <message>
        <source>No more additional camera was found.</source>
        <translation>Aucune autre caméra n&apos;a été trouvée.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this notice</source>
        <translation>Fermer cet avis</translation>
    </message>
    <message>
        <source>No more cameras</source>
        <translation>Plus de caméras</translation>
    </message>
</context>
<context>
    <name>RockerHandle</name>
    <message>
        <source>Moving up and left</source>
        <translation>Se déplace vers le haut et la gauche</translation>
    </message>
    <message>
        <source>Moving up</source>
        <translation>Se déplace vers le haut</translation>
    </message>
    <message>
        <source>Moving up and right</source>
        <translation>Se déplace vers le haut et la droite</translation>
    </message>
    <message>
        <source>Moving left</source>
        <translation>Se déplace vers la gauche</translation>
    </message>
    <message>
        <source>Moving right</source>
        <translation>Se déplace vers la droite</translation>
    </message>
    <message>
        <source>Moving down and left</source>
        <translation>Se déplace vers le bas et la gauche</translation>
    </message>
    <message>
        <source>Moving down</source>
        <translation>Se déplace vers le bas</translation>
    </message>
    <message>
        <source>Moving down and right</source>
        <translation>Se déplace vers le bas et la droite</translation>
    </message>
    <message>
        <source>Still</source>
        <translation>Immobile</translation>
    </message>
    <message>
        <source>%1 at speed %2 of %3</source>
        <translation>%1 à la vitesse %2 sur %3</translation>
    </message>
</context>
</TS>
