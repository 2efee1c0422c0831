<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>ApertiumEngine</name>
    <message>
        <source>No package offers translation from %1 to %2.</source>
        <translation>Нет пакета, который переводит с языка «%1» на язык «%2».</translation>
    </message>
    <message>
        <source>The translation was cancelled.</source>
        <translation>Перевод отменён.</translation>
    </message>
    <message>
        <source>The translation engine could not be started.</source>
        <translation>Не удалось запустить переводчик.</translation>
    </message>
    <message>
        <source>The translation engine stopped.</source>
        <translation>Переводчик остановился.</translation>
    </message>
</context>
<context>
    <name>ApertiumPipeline</name>
    <message>
        <source>The translation was cancelled.</source>
        <translation>Перевод отменён.</translation>
    </message>
    <message>
        <source>The translation was stopped.</source>
        <translation>Перевод остановлен.</translation>
    </message>
    <message>
        <source>The translator for %1 stopped working (%2). Please try again.</source>
        <translation>Переводчик для направления %1 перестал работать (%2). Попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>The translator for %1 could not be started: %2.</source>
        <translation>Не удалось запустить переводчик для направления %1: %2.</translation>
    </message>
    <message>
        <source>the program %1 is missing</source>
        <translation>нет программы %1</translation>
    </message>
    <message>
        <source>it sent more than %1 without ending the answer</source>
        <translation>он прислал больше %1, так и не закончив ответ</translation>
    </message>
    <message>
        <source>its first stage stopped reading</source>
        <translation>его первый этап перестал читать</translation>
    </message>
    <message>
        <source>its last stage ended</source>
        <translation>его последний этап завершился</translation>
    </message>
    <message>
        <source>no answer for %1 seconds</source>
        <translation>нет ответа %1 с</translation>
    </message>
    <message>
        <source>%1 ended</source>
        <translation>%1 завершился</translation>
    </message>
    <message>
        <source>apertium-wblank-mode is not installed</source>
        <translation>программа apertium-wblank-mode не установлена</translation>
    </message>
    <message>
        <source>it was stopped</source>
        <translation>его остановили</translation>
    </message>
    <message>
        <source>apertium-wblank-mode gave no answer within %1 seconds</source>
        <translation>apertium-wblank-mode не ответила за %1 с</translation>
    </message>
    <message>
        <source>the mode file could not be read</source>
        <translation>не удалось прочитать файл режима</translation>
    </message>
    <message>
        <source>the mode file has a form this program does not understand</source>
        <translation>файл режима записан в виде, которого эта программа не понимает</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Translate Selection</source>
        <translation>Перевести выделенное</translation>
    </message>
    <message>
        <source>Translate Clipboard</source>
        <translation>Перевести буфер обмена</translation>
    </message>
    <message>
        <source>Open Translator</source>
        <translation>Открыть переводчик</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Настройки…</translation>
    </message>
    <message>
        <source>About Verdolin</source>
        <translation>О программе Verdolin</translation>
    </message>
    <message>
        <source>Support Verdolin…</source>
        <translation>Поддержать Verdolin…</translation>
    </message>
    <message>
        <source>Quit Verdolin</source>
        <translation>Выйти из Verdolin</translation>
    </message>
</context>
<context>
    <name>HintRow</name>
    <message>
        <source>Checked automatically</source>
        <translation>Проверяется автоматически</translation>
    </message>
    <message>
        <source>Allow Accessibility to translate selections</source>
        <translation>Разрешите универсальный доступ, чтобы переводить выделенный текст</translation>
    </message>
    <message>
        <source>Enjoying Verdolin? Support the project</source>
        <translation>Нравится Verdolin? Поддержите проект</translation>
    </message>
    <message>
        <source>Reset and ask again</source>
        <translation>Сбросить и спросить снова</translation>
    </message>
    <message>
        <source>Allow…</source>
        <translation>Разрешить…</translation>
    </message>
    <message>
        <source>Not now</source>
        <translation>Не сейчас</translation>
    </message>
    <message>
        <source>Support</source>
        <translation>Поддержать</translation>
    </message>
    <message>
        <source>Opens the support page in your browser</source>
        <translation>Открывает страницу поддержки в браузере</translation>
    </message>
    <message>
        <source>Don’t show again</source>
        <translation>Больше не показывать</translation>
    </message>
</context>
<context>
    <name>HistoryButton</name>
    <message>
        <source>History</source>
        <translation>История</translation>
    </message>
</context>
<context>
    <name>HistoryList</name>
    <message>
        <source>No translations yet</source>
        <translation>Переводов пока нет</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Clear history…</source>
        <translation>Очистить историю…</translation>
    </message>
    <message>
        <source>Clear translation history?</source>
        <translation>Очистить историю переводов?</translation>
    </message>
    <message>
        <source>This removes your entire translation history. This can’t be undone.</source>
        <translation>Вся история переводов будет удалена. Это действие нельзя отменить.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Clear history</source>
        <translation>Очистить историю</translation>
    </message>
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
</context>
<context>
    <name>LoginItem</name>
    <message>
        <source>Starting at login is not available on this system.</source>
        <translation>Запуск при входе в систему на этом компьютере недоступен.</translation>
    </message>
</context>
<context>
    <name>MainMenu</name>
    <message>
        <source>About Verdolin</source>
        <translation>О программе Verdolin</translation>
    </message>
    <message>
        <source>Support Verdolin…</source>
        <translation>Поддержать Verdolin…</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Настройки…</translation>
    </message>
    <message>
        <source>Translate Selection</source>
        <translation>Перевести выделенное</translation>
    </message>
    <message>
        <source>Translate Clipboard</source>
        <translation>Перевести буфер обмена</translation>
    </message>
    <message>
        <source>Open Translator</source>
        <translation>Открыть переводчик</translation>
    </message>
    <message>
        <source>Hide Verdolin</source>
        <translation>Скрыть Verdolin</translation>
    </message>
    <message>
        <source>Quit Verdolin</source>
        <translation>Выйти из Verdolin</translation>
    </message>
</context>
<context>
    <name>PairDownload</name>
    <message>
        <source>The download ended without an answer.</source>
        <translation>Загрузка завершилась без ответа.</translation>
    </message>
    <message>
        <source>The download failed.</source>
        <translation>Не удалось загрузить.</translation>
    </message>
    <message>
        <source>Verdolin cannot install languages here. Run this command instead:</source>
        <translation>Verdolin не может установить языки на этом компьютере. Выполните вместо этого команду:</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Version %1</source>
        <translation>Версия %1</translation>
    </message>
    <message>
        <source>Translates selected text, offline.</source>
        <translation>Переводит выделенный текст без интернета.</translation>
    </message>
    <message>
        <source>Verdolin uses Apertium (GNU GPL 3.0 or later), CLD2 (Apache License 2.0) and Qt (GNU LGPL 3.0). The full notice is in %1.</source>
        <translation>Verdolin использует Apertium (GNU GPL 3.0 или новее), CLD2 (Apache License 2.0) и Qt (GNU LGPL 3.0). Полный текст уведомления — в файле %1.</translation>
    </message>
    <message>
        <source>About Verdolin</source>
        <translation>О программе Verdolin</translation>
    </message>
</context>
<context>
    <name>ResultPane</name>
    <message>
        <source>Translation</source>
        <translation>Перевод</translation>
    </message>
</context>
<context>
    <name>RootView</name>
    <message>
        <source>Main Menu</source>
        <translation>Главное меню</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Welcome to Verdolin</source>
        <translation>Добро пожаловать в Verdolin</translation>
    </message>
    <message>
        <source>Translator</source>
        <translation>Переводчик</translation>
    </message>
    <message>
        <source>Settings will be here soon. Until then, Verdolin keeps its current choices.</source>
        <translation>Настройки скоро появятся здесь. До тех пор Verdolin сохраняет текущий выбор.</translation>
    </message>
    <message>
        <source>Select text in any application and press %1 to translate it.</source>
        <translation>Выделите текст в любом приложении и нажмите %1, чтобы его перевести.</translation>
    </message>
    <message>
        <source>Start Translating</source>
        <translation>Начать переводить</translation>
    </message>
</context>
<context>
    <name>SourcePane</name>
    <message>
        <source>Type or paste text</source>
        <translation>Введите или вставьте текст</translation>
    </message>
</context>
<context>
    <name>StatusBar</name>
    <message>
        <source>Download</source>
        <translation>Загрузить</translation>
    </message>
    <message>
        <source>Downloading…</source>
        <translation>Загрузка…</translation>
    </message>
    <message>
        <source>Downloading… %1%</source>
        <translation>Загрузка… %1%</translation>
    </message>
    <message>
        <source>Copy command</source>
        <translation>Скопировать команду</translation>
    </message>
</context>
<context>
    <name>StatusRow</name>
    <message>
        <source>Could not translate: </source>
        <translation>Не удалось перевести: </translation>
    </message>
    <message>
        <source>This pair is not available offline: </source>
        <translation>Эта пара недоступна без сети: </translation>
    </message>
    <message>
        <source>Languages are not downloaded: </source>
        <translation>Языки не загружены: </translation>
    </message>
    <message>
        <source>The clipboard holds files or large data, so it was left untouched. Paste the text here with Ctrl+V.</source>
        <translation>В буфере обмена файлы или большой объём данных, поэтому он не тронут. Вставьте текст сюда с помощью Ctrl+V.</translation>
    </message>
    <message>
        <source>Nothing was selected. Select some text and press the shortcut again.</source>
        <translation>Ничего не выделено. Выделите текст и снова нажмите сочетание клавиш.</translation>
    </message>
    <message>
        <source>Your clipboard could not be put back after copying the selection.</source>
        <translation>Не удалось вернуть содержимое буфера обмена после копирования выделенного текста.</translation>
    </message>
    <message>
        <source>Only the first 20,000 characters are translated.</source>
        <translation>Переведены только первые 20 000 символов.</translation>
    </message>
</context>
<context>
    <name>TextPaneMenu</name>
    <message>
        <source>Undo</source>
        <translation>Отменить</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Повторить</translation>
    </message>
    <message>
        <source>Cut</source>
        <translation>Вырезать</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Выделить всё</translation>
    </message>
</context>
<context>
    <name>TranslatorModel</name>
    <message>
        <source>Nothing was selected. Select some text first, then try again.</source>
        <translation>Ничего не выделено. Сначала выделите текст, затем попробуйте ещё раз.</translation>
    </message>
    <message>
        <source>The clipboard holds something that cannot be put back safely, so the selection was not copied.</source>
        <translation>В буфере обмена есть данные, которые нельзя безопасно вернуть, поэтому выделенное не скопировано.</translation>
    </message>
    <message>
        <source>Your clipboard could not be put back after copying the selection.</source>
        <translation>После копирования выделенного не удалось вернуть прежнее содержимое буфера обмена.</translation>
    </message>
</context>
<context>
    <name>TranslatorScreen</name>
    <message>
        <source>Pinned above all windows — click to unpin</source>
        <translation>Поверх всех окон — нажмите, чтобы открепить</translation>
    </message>
    <message>
        <source>Click to keep the window above all others</source>
        <translation>Нажмите, чтобы держать окно поверх остальных</translation>
    </message>
    <message>
        <source>Keep on top</source>
        <translation>Поверх всех окон</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Main Menu</source>
        <translation>Главное меню</translation>
    </message>
</context>
<context>
    <name>TranslatorView</name>
    <message>
        <source>Translate from</source>
        <translation>Перевести с</translation>
    </message>
    <message>
        <source>Swap languages</source>
        <translation>Поменять языки местами</translation>
    </message>
    <message>
        <source>Translate to</source>
        <translation>Перевести на</translation>
    </message>
    <message>
        <source>Detected: </source>
        <translation>Определён: </translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Speak</source>
        <translation>Прочитать вслух</translation>
    </message>
    <message>
        <source>Copied</source>
        <translation>Скопировано</translation>
    </message>
    <message>
        <source>Copy translation</source>
        <translation>Скопировать перевод</translation>
    </message>
</context>
<context>
    <name>TranslatorViewState</name>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message>
        <source>The translation appears here as you type.</source>
        <translation>Перевод появляется здесь по мере ввода.</translation>
    </message>
    <message>
        <source>Translating…</source>
        <translation>Перевод…</translation>
    </message>
</context>
<context>
    <name>XdgAutostart</name>
    <message>
        <source>The location of the Verdolin program is unknown.</source>
        <translation>Неизвестно, где находится программа Verdolin.</translation>
    </message>
    <message>
        <source>The Verdolin program lies in a folder whose name cannot be written into an autostart entry: %1</source>
        <translation>Программа Verdolin лежит в папке, имя которой нельзя записать в файл автозапуска: %1</translation>
    </message>
    <message>
        <source>Could not create the folder %1.</source>
        <translation>Не удалось создать папку %1.</translation>
    </message>
    <message>
        <source>Could not write %1: %2</source>
        <translation>Не удалось записать %1: %2</translation>
    </message>
    <message>
        <source>Could not remove %1: %2</source>
        <translation>Не удалось удалить %1: %2</translation>
    </message>
</context>
</TS>
