<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>CommandNotice</name>
    <message>
        <source>The camera&apos;s own commands need access to its USB device, which the udev rule grants: run sudo make install, then plug the camera in again.</source>
        <translation>Los comandos propios de la cámara necesitan acceso a su dispositivo USB, que concede la regla de udev: ejecute sudo make install y vuelva a conectar la cámara.</translation>
    </message>
    <message>
        <source>This camera takes its own commands only while no other program is using it: close the program that shows its picture, then try again.</source>
        <translation>Esta cámara solo acepta sus comandos propios mientras ningún otro programa la usa: cierre el programa que muestra su imagen y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>The camera does not answer its commands: unplug it and plug it in again.</source>
        <translation>La cámara no responde a sus comandos: desconéctela y vuelva a conectarla.</translation>
    </message>
    <message>
        <source>The presets file %1 is damaged: %2. ptzdeck leaves it as it is and keeps no presets in it; mend it or move it away.</source>
        <translation>El archivo de preajustes %1 está dañado: %2. ptzdeck lo deja como está y no guarda preajustes en él; repárelo o muévalo.</translation>
    </message>
    <message>
        <source>Presets cannot be kept in %1: %2.</source>
        <translation>No se pueden guardar preajustes en %1: %2.</translation>
    </message>
    <message>
        <source>The network camera at %1 does not answer: check that it is on and reachable. Its tab lights again when it answers.</source>
        <translation>La cámara de red en %1 no responde: compruebe que está encendida y accesible. Su pestaña se vuelve a iluminar cuando responde.</translation>
    </message>
</context>
<context>
    <name>Gamepads</name>
    <message>
        <source>Gamepad: %1</source>
        <translation>Mando: %1</translation>
    </message>
    <message>
        <source>Gamepad: %1 (no access)</source>
        <translation>Mando: %1 (sin acceso)</translation>
    </message>
    <message>
        <source>No gamepad</source>
        <translation>Ningún mando</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Camera controls</source>
        <translation>Controles de la cámara</translation>
    </message>
    <message>
        <source>Pan and tilt</source>
        <translation>Giro e inclinación</translation>
    </message>
    <message>
        <source>Pan and tilt: drag the knob the way the camera should turn, farther for faster; or hold the arrow keys</source>
        <translation>Giro e inclinación: arrastre el mando hacia donde debe girar la cámara, más lejos para ir más rápido; o mantenga pulsadas las teclas de flecha</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
    <message>
        <source>Zoom: drag up or down, or hold T / W</source>
        <translation>Zoom: arrastre hacia arriba o abajo, o mantenga T / W</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>Enfoque</translation>
    </message>
    <message>
        <source>Focus, in manual focus: drag up (far) or down (near), or hold Page Up / Page Down</source>
        <translation>Enfoque, en enfoque manual: arrastre hacia arriba (lejos) o abajo (cerca), o mantenga Re Pág / Av Pág</translation>
    </message>
    <message>
        <source>Auto focus</source>
        <translation>Enfoque automático</translation>
    </message>
    <message>
        <source>Auto focus on or off; off, the focus slider works (A)</source>
        <translation>Enfoque automático activado o desactivado; desactivado, funciona el deslizador de enfoque (A)</translation>
    </message>
    <message>
        <source>Auto framing</source>
        <translation>Encuadre automático</translation>
    </message>
    <message>
        <source>Auto framing on or off (F: on, M: off)</source>
        <translation>Encuadre automático activado o desactivado (F: activado, M: desactivado)</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Una vez</translation>
    </message>
    <message>
        <source>Frame the picture once, now (O)</source>
        <translation>Encuadrar la imagen una vez, ahora (O)</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>Establecer</translation>
    </message>
    <message>
        <source>Store: the next preset digit stores the camera&apos;s position there (S)</source>
        <translation>Guardar: la siguiente cifra guarda ahí la posición de la cámara (S)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Limpiar</translation>
    </message>
    <message>
        <source>Clear: the next preset digit clears that preset (C)</source>
        <translation>Limpiar: la siguiente cifra borra ese preajuste (C)</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Posición inicial</translation>
    </message>
    <message>
        <source>Send the camera to its home position (Home or H)</source>
        <translation>Llevar la cámara a su posición inicial (Inicio o H)</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>Voltear</translation>
    </message>
    <message>
        <source>Turn the picture upside down, or back (V)</source>
        <translation>Poner la imagen boca abajo, o devolverla (V)</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>Espejo</translation>
    </message>
    <message>
        <source>Mirror the picture left to right, or back (R)</source>
        <translation>Reflejar la imagen de izquierda a derecha, o devolverla (R)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Silenciar</translation>
    </message>
    <message>
        <source>Mute the camera&apos;s picture, or let it through again (U)</source>
        <translation>Silenciar la imagen de la cámara, o dejarla pasar de nuevo (U)</translation>
    </message>
    <message>
        <source>Stay on top</source>
        <translation>Siempre encima</translation>
    </message>
    <message>
        <source>Keep the panel above other windows, or not (Ctrl+T)</source>
        <translation>Mantener el panel encima de las demás ventanas, o no (Ctrl+T)</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>Minimizar</translation>
    </message>
    <message>
        <source>Minimize to the notification area (Ctrl+M)</source>
        <translation>Minimizar al área de notificación (Ctrl+M)</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Quit ptzdeck (Ctrl+Q)</source>
        <translation>Salir de ptzdeck (Ctrl+Q)</translation>
    </message>
    <message>
        <source>Picture settings</source>
        <translation>Configuración de imagen</translation>
    </message>
    <message>
        <source>Show or hide the picture settings (Ctrl+,)</source>
        <translation>Mostrar u ocultar la configuración de imagen (Ctrl+,)</translation>
    </message>
    <message>
        <source>Preset %1</source>
        <translation>Preajuste %1</translation>
    </message>
    <message>
        <source>Recall preset %1 (key %1); after Set, store it; after Clear, clear it</source>
        <translation>Recuperar el preajuste %1 (tecla %1); tras Establecer, guardarlo; tras Limpiar, borrarlo</translation>
    </message>
    <message>
        <source>Camera %1 (Alt+%1)</source>
        <translation>Cámara %1 (Alt+%1)</translation>
    </message>
    <message>
        <source>Camera %1: %2</source>
        <translation>Cámara %1: %2</translation>
    </message>
    <message>
        <source>Camera %1: none</source>
        <translation>Cámara %1: ninguna</translation>
    </message>
    <message>
        <source>%1, open</source>
        <translation>%1, abierta</translation>
    </message>
    <message>
        <source>Backlight compensation</source>
        <translation>Compensación de contraluz</translation>
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
        <translation>Saturación</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Brillo</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>Nitidez</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>Balance de blancos</translation>
    </message>
    <message>
        <source>%1: drag, or reach it with Tab and change it with the arrow keys</source>
        <translation>%1: arrastre, o llegue con Tab y cámbielo con las teclas de flecha</translation>
    </message>
    <message>
        <source>%1 value</source>
        <translation>Valor de %1</translation>
    </message>
    <message>
        <source>Anti-flicker</source>
        <translation>Antiparpadeo</translation>
    </message>
    <message>
        <source>Anti-flicker: the frequency of the mains that light the room; with Tab and the arrow keys too</source>
        <translation>Antiparpadeo: la frecuencia de la red que alimenta la luz; también con Tab y las teclas de flecha</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>Predeterminado</translation>
    </message>
    <message>
        <source>Put every picture setting back to the camera&apos;s default</source>
        <translation>Devolver todos los ajustes de imagen a los predeterminados de la cámara</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Close the picture settings (Esc)</source>
        <translation>Cerrar la configuración de imagen (Esc)</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Ocultar</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Mostrar</translation>
    </message>
    <message>
        <source>VISCA bridge: off</source>
        <translation>Puente VISCA: apagado</translation>
    </message>
    <message>
        <source>VISCA bridge: no camera served</source>
        <translation>Puente VISCA: ninguna cámara servida</translation>
    </message>
    <message>
        <source>VISCA bridge, %1</source>
        <translation>Puente VISCA, %1</translation>
    </message>
</context>
<context>
    <name>NO_Device</name>
    <message>
        <source>No correct camera was found.</source>
        <translation>No se encontró ninguna cámara adecuada.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Quit ptzdeck</source>
        <translation>Salir de ptzdeck</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Close this notice; the panel opens a camera when one is plugged in</source>
        <translation>Cerrar este aviso; el panel abre una cámara en cuanto se conecta</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>Ninguna cámara</translation>
    </message>
</context>
<context>
    <name>NO_Mord_Camera</name>
    <message>
        <source>No more additional camera was found.</source>
        <translation>No se encontró ninguna cámara más.</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Close this notice</source>
        <translation>Cerrar este aviso</translation>
    </message>
    <message>
        <source>No more cameras</source>
        <translation>No hay más cámaras</translation>
    </message>
</context>
<context>
    <name>RockerHandle</name>
    <message>
        <source>Moving up and left</source>
        <translation>Moviéndose arriba a la izquierda</translation>
    </message>
    <message>
        <source>Moving up</source>
        <translation>Moviéndose hacia arriba</translation>
    </message>
    <message>
        <source>Moving up and right</source>
        <translation>Moviéndose arriba a la derecha</translation>
    </message>
    <message>
        <source>Moving left</source>
        <translation>Moviéndose a la izquierda</translation>
    </message>
    <message>
        <source>Moving right</source>
        <translation>Moviéndose a la derecha</translation>
    </message>
    <message>
        <source>Moving down and left</source>
        <translation>Moviéndose abajo a la izquierda</translation>
    </message>
    <message>
        <source>Moving down</source>
        <translation>Moviéndose hacia abajo</translation>
    </message>
    <message>
        <source>Moving down and right</source>
        <translation>Moviéndose abajo a la derecha</translation>
    </message>
    <message>
        <source>Still</source>
        <translation>Quieto</translation>
    </message>
    <message>
        <source>%1 at speed %2 of %3</source>
        <translation>%1 a velocidad %2 de %3</translation>
    </message>
</context>
</TS>
