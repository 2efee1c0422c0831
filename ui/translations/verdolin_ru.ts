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
    <message>
        <source>Check for Updates…</source>
        <translation>Проверить обновления…</translation>
    </message>
</context>
<context>
    <name>AptCatalog</name>
    <message>
        <source>There is no package to install for this pair.</source>
        <translation>Для этой пары нет пакета для установки.</translation>
    </message>
    <message>
        <source>To install the language data, run: </source>
        <translation>Чтобы установить языковые данные, выполните: </translation>
    </message>
</context>
<context>
    <name>ClearHistoryDialog</name>
    <message>
        <source>Clear translation history?</source>
        <translation>Очистить историю переводов?</translation>
    </message>
    <message>
        <source>This removes your entire translation history. This can’t be undone.</source>
        <translation>Вся история переводов будет удалена. Это нельзя отменить.</translation>
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
    <name>DebianDictionaryPackages</name>
    <message>
        <source>There is no such dictionary to install.</source>
        <translation>Такого словаря для установки нет.</translation>
    </message>
</context>
<context>
    <name>DictionaryPackageNames</name>
    <message>
        <source>%1 → %2 (FreeDict)</source>
        <translation>%1 → %2 (FreeDict)</translation>
    </message>
    <message>
        <source>WordNet (%1)</source>
        <translation>WordNet (%1)</translation>
    </message>
    <message>
        <source>GCIDE (%1)</source>
        <translation>GCIDE (%1)</translation>
    </message>
</context>
<context>
    <name>DictionaryPackages</name>
    <message>
        <source>Dictionaries cannot be installed from here on this system. Install them with the system&apos;s software centre or package manager.</source>
        <translation>В этой системе словари нельзя установить отсюда. Установите их через центр приложений или менеджер пакетов.</translation>
    </message>
</context>
<context>
    <name>DisclosureRow</name>
    <message>
        <source>Expanded</source>
        <translation>Развёрнуто</translation>
    </message>
    <message>
        <source>Collapsed</source>
        <translation>Свёрнуто</translation>
    </message>
</context>
<context>
    <name>DownloadButton</name>
    <message>
        <source>Download</source>
        <translation>Скачать</translation>
    </message>
    <message>
        <source>Downloading…</source>
        <translation>Скачивание…</translation>
    </message>
    <message>
        <source>Downloading… %1%</source>
        <translation>Скачивание… %1%</translation>
    </message>
</context>
<context>
    <name>DownloadNote</name>
    <message>
        <source>Copy command</source>
        <translation>Скопировать команду</translation>
    </message>
</context>
<context>
    <name>EmptyPackageCatalog</name>
    <message>
        <source>There is no package to install for this pair.</source>
        <translation>Для этой пары нет пакета для установки.</translation>
    </message>
    <message>
        <source>Install the package %1 with the system&apos;s package manager.</source>
        <translation>Установите пакет %1 с помощью менеджера пакетов системы.</translation>
    </message>
    <message>
        <source>Install the packages %1 with the system&apos;s package manager.</source>
        <translation>Установите пакеты %1 с помощью менеджера пакетов системы.</translation>
    </message>
</context>
<context>
    <name>GeneralTab</name>
    <message>
        <source>Window</source>
        <translation>Окно</translation>
    </message>
    <message>
        <source>At least one of taskbar or system tray must stay on.</source>
        <translation>Хотя бы одно из двух — панель задач или системный лоток — должно остаться включённым.</translation>
    </message>
    <message>
        <source>Keep the window on top</source>
        <translation>Держать окно поверх других</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Запускать при входе в систему</translation>
    </message>
    <message>
        <source>Show in taskbar</source>
        <translation>Показывать на панели задач</translation>
    </message>
    <message>
        <source>Show in system tray</source>
        <translation>Показывать в системном лотке</translation>
    </message>
    <message>
        <source>This desktop shows no system tray, so the icon cannot appear.</source>
        <translation>На этом рабочем столе нет системного лотка, поэтому значок не появится.</translation>
    </message>
    <message>
        <source>History</source>
        <translation>История</translation>
    </message>
    <message>
        <source>Save translation history</source>
        <translation>Сохранять историю переводов</translation>
    </message>
    <message>
        <source>Clear history…</source>
        <translation>Очистить историю…</translation>
    </message>
    <message>
        <source>Appearance</source>
        <translation>Оформление</translation>
    </message>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
    <message>
        <source>Light</source>
        <translation>Светлое</translation>
    </message>
    <message>
        <source>Dark</source>
        <translation>Тёмное</translation>
    </message>
    <message>
        <source>Takes effect after restarting the app.</source>
        <translation>Вступит в силу после перезапуска приложения.</translation>
    </message>
    <message>
        <source>App language</source>
        <translation>Язык приложения</translation>
    </message>
    <message>
        <source>System</source>
        <translation>Системный</translation>
    </message>
    <message>
        <source>Support Verdolin…</source>
        <translation>Поддержать Verdolin…</translation>
    </message>
    <message>
        <source>Opens %1 in your browser</source>
        <translation>Открывает %1 в браузере</translation>
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
</context>
<context>
    <name>LanguageMenu</name>
    <message>
        <source>Auto</source>
        <translation>Авто</translation>
    </message>
</context>
<context>
    <name>LanguageService</name>
    <message>
        <source>via %1</source>
        <extracomment>A translation made through a third language: &quot;via Spanish&quot;.</extracomment>
        <translation>через %1</translation>
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
    <message>
        <source>Check for Updates…</source>
        <translation>Проверить обновления…</translation>
    </message>
</context>
<context>
    <name>OnboardingState</name>
    <message>
        <source>Step %1 of %2</source>
        <translation>Шаг %1 из %2</translation>
    </message>
</context>
<context>
    <name>OnboardingView</name>
    <message>
        <source>Skip setup</source>
        <translation>Пропустить настройку</translation>
    </message>
    <message>
        <source>Welcome to Verdolin</source>
        <translation>Добро пожаловать в Verdolin</translation>
    </message>
    <message>
        <source>Select text anywhere and translate it instantly — fully offline.</source>
        <translation>Выделите текст где угодно и сразу переведите его — полностью без сети.</translation>
    </message>
    <message>
        <source>Select text in ANY app, press one shortcut — done. No copying to another window.</source>
        <translation>Выделите текст в ЛЮБОМ приложении, нажмите одно сочетание клавиш — готово. Не нужно ничего копировать в другое окно.</translation>
    </message>
    <message>
        <source>Translation is offline: nothing you translate ever leaves this computer. Only the update check uses the network (Settings → Updates → Never turns it off).</source>
        <translation>Перевод работает без сети: ничего из переводимого не покидает этот компьютер. Сеть нужна только для проверки обновлений (Настройки → Обновления → Никогда отключает её).</translation>
    </message>
    <message>
        <source>Keeps a history and offline dictionaries, plus the command line and Ctrl+C twice</source>
        <translation>История и словари без сети, а также командная строка и двойное Ctrl+C</translation>
    </message>
    <message>
        <source>Continue</source>
        <translation>Продолжить</translation>
    </message>
    <message>
        <source>Allow reading the selection</source>
        <translation>Разрешите чтение выделенного</translation>
    </message>
    <message>
        <source>To translate what you select in any app, the desktop needs your permission (Accessibility). Nothing leaves your computer.</source>
        <translation>Чтобы переводить выделенное в любом приложении, рабочему столу нужно ваше разрешение (универсальный доступ). Ничто не покидает ваш компьютер.</translation>
    </message>
    <message>
        <source>Allowed</source>
        <translation>Разрешено</translation>
    </message>
    <message>
        <source>Allow…</source>
        <translation>Разрешить…</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Позже</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Далее</translation>
    </message>
    <message>
        <source>Your languages</source>
        <translation>Ваши языки</translation>
    </message>
    <message>
        <source>Text in another language is translated into yours; text in yours goes into the second one.</source>
        <translation>Текст на другом языке переводится на ваш, а текст на вашем — на второй.</translation>
    </message>
    <message>
        <source>My language</source>
        <translation>Мой язык</translation>
    </message>
    <message>
        <source>Second language</source>
        <translation>Второй язык</translation>
    </message>
    <message>
        <source>Offline translation is ready</source>
        <translation>Перевод без сети готов</translation>
    </message>
    <message>
        <source>Language pack not downloaded</source>
        <translation>Языковой пакет не скачан</translation>
    </message>
    <message>
        <source>This pair is not available offline</source>
        <translation>Эта пара недоступна без сети</translation>
    </message>
    <message>
        <source>Your shortcut</source>
        <translation>Ваше сочетание клавиш</translation>
    </message>
    <message>
        <source>Select text in any app and press it. The translation appears next to the cursor; Esc closes it.</source>
        <translation>Выделите текст в любом приложении и нажмите его. Перевод появится рядом с указателем; Esc закрывает его.</translation>
    </message>
    <message>
        <source>Change…</source>
        <translation>Изменить…</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Готово</translation>
    </message>
</context>
<context>
    <name>PackageKitCatalog</name>
    <message>
        <source>The package manager did not answer.</source>
        <translation>Менеджер пакетов не ответил.</translation>
    </message>
    <message>
        <source>The installation of %1 was interrupted.</source>
        <translation>Установка %1 прервана.</translation>
    </message>
    <message>
        <source>There is no package to install for this pair.</source>
        <translation>Для этой пары нет пакета для установки.</translation>
    </message>
    <message>
        <source>The installation of %1 was cancelled.</source>
        <translation>Установка %1 отменена.</translation>
    </message>
    <message>
        <source>Installing %1 failed.</source>
        <translation>Не удалось установить %1.</translation>
    </message>
    <message>
        <source>Installing %1 was not allowed: the system refused permission, or the password prompt was cancelled.</source>
        <translation>Установка %1 не разрешена: система отказала в доступе или ввод пароля был отменён.</translation>
    </message>
    <message>
        <source>%1 could not be downloaded. Check the network connection and try again.</source>
        <translation>Не удалось скачать %1. Проверьте подключение к сети и повторите попытку.</translation>
    </message>
    <message>
        <source>%1 is not available, or the package lists need refreshing.</source>
        <translation>Пакет %1 недоступен, или списки пакетов нужно обновить.</translation>
    </message>
    <message>
        <source>Another program is installing software. Try again when it has finished.</source>
        <translation>Другая программа сейчас устанавливает программы. Повторите попытку, когда она закончит.</translation>
    </message>
    <message>
        <source>There is not enough disk space to install %1.</source>
        <translation>Недостаточно места на диске для установки %1.</translation>
    </message>
    <message>
        <source>Installing %1 failed: %2</source>
        <translation>Не удалось установить %1: %2</translation>
    </message>
</context>
<context>
    <name>PackageKitTransaction</name>
    <message>
        <source>The request to the package service was stopped.</source>
        <translation>Запрос к службе пакетов остановлен.</translation>
    </message>
    <message>
        <source>The package service&apos;s progress could not be followed.</source>
        <translation>Не удалось следить за ходом работы службы пакетов.</translation>
    </message>
    <message>
        <source>The package service does not answer.</source>
        <translation>Служба пакетов не отвечает.</translation>
    </message>
    <message>
        <source>The package service ended the installation without a result.</source>
        <translation>Служба пакетов завершила установку без результата.</translation>
    </message>
    <message>
        <source>The package service stopped.</source>
        <translation>Служба пакетов остановилась.</translation>
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
    <name>PermissionRow</name>
    <message>
        <source>Allowed</source>
        <translation>Разрешено</translation>
    </message>
    <message>
        <source>Allow…</source>
        <translation>Разрешить…</translation>
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
    <name>QtUpdateNetwork</name>
    <message>
        <source>The server’s answer is too large.</source>
        <translation>Ответ сервера слишком велик.</translation>
    </message>
    <message>
        <source>Cancelled.</source>
        <translation>Отменено.</translation>
    </message>
    <message>
        <source>The update could not be saved: %1</source>
        <translation>Не удалось сохранить обновление: %1</translation>
    </message>
    <message>
        <source>The server sent more than the update’s announced size.</source>
        <translation>Сервер прислал больше заявленного размера обновления.</translation>
    </message>
    <message>
        <source>The update could not be saved.</source>
        <translation>Не удалось сохранить обновление.</translation>
    </message>
    <message>
        <source>The update server’s address is not secure.</source>
        <translation>Адрес сервера обновлений небезопасен.</translation>
    </message>
    <message>
        <source>The server answered %1.</source>
        <translation>Сервер ответил кодом %1.</translation>
    </message>
    <message>
        <source>The server did not answer in time.</source>
        <translation>Сервер не ответил вовремя.</translation>
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
    <name>SettingsView</name>
    <message>
        <source>Back</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>General</source>
        <translation>Основные</translation>
    </message>
    <message>
        <source>Translation</source>
        <translation>Перевод</translation>
    </message>
    <message>
        <source>Shortcuts &amp; access</source>
        <translation>Сочетания и доступ</translation>
    </message>
</context>
<context>
    <name>ShortcutRecorder</name>
    <message>
        <source>Add Ctrl or Alt to the combination.</source>
        <translation>Добавьте в сочетание Ctrl или Alt.</translation>
    </message>
    <message>
        <source>The desktop already uses this shortcut.</source>
        <translation>Рабочий стол уже использует это сочетание.</translation>
    </message>
    <message>
        <source>%1 already uses this shortcut.</source>
        <translation>%1 уже использует это сочетание.</translation>
    </message>
    <message>
        <source>Another app already uses this shortcut.</source>
        <translation>Это сочетание уже занято другим приложением.</translation>
    </message>
    <message>
        <source>Another app already uses this shortcut. Choose a different one.</source>
        <translation>Это сочетание уже занято другим приложением. Выберите другое.</translation>
    </message>
</context>
<context>
    <name>ShortcutsTab</name>
    <message>
        <source>Shortcut</source>
        <translation>Сочетание клавиш</translation>
    </message>
    <message>
        <source>Select text in any app and press it. Must include Ctrl or Alt, so it never clashes with app menus.</source>
        <translation>Выделите текст в любом приложении и нажмите его. Должно включать Ctrl или Alt, чтобы не мешать меню приложений.</translation>
    </message>
    <message>
        <source>Translate selection</source>
        <translation>Перевести выделенное</translation>
    </message>
    <message>
        <source>Press the keys…</source>
        <translation>Нажмите клавиши…</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>Access</source>
        <translation>Доступ</translation>
    </message>
    <message>
        <source>Lets the shortcut copy the text you selected. Nothing leaves your computer.</source>
        <translation>Позволяет сочетанию клавиш копировать выделенный текст. Ничто не покидает ваш компьютер.</translation>
    </message>
    <message>
        <source>Accessibility</source>
        <translation>Универсальный доступ</translation>
    </message>
    <message>
        <source>Advanced</source>
        <translation>Дополнительно</translation>
    </message>
    <message>
        <source>Off by default: any two Ctrl+C presses in a row open the translator.</source>
        <translation>По умолчанию выключено: два нажатия Ctrl+C подряд открывают переводчик.</translation>
    </message>
    <message>
        <source>Also translate when Ctrl+C is pressed twice</source>
        <translation>Переводить и при двойном нажатии Ctrl+C</translation>
    </message>
    <message>
        <source>Input Monitoring</source>
        <translation>Мониторинг ввода</translation>
    </message>
    <message>
        <source>Any program can send text to Verdolin: verdolin --translate-text TEXT, or the D-Bus method com.korvane.Verdolin.TranslateText.</source>
        <translation>Любая программа может передать текст в Verdolin: verdolin --translate-text ТЕКСТ или метод D-Bus com.korvane.Verdolin.TranslateText.</translation>
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
    <name>SpeechDispatcherWorker</name>
    <message>
        <source>Speech Dispatcher is not running, so the text cannot be read aloud.</source>
        <translation>Speech Dispatcher не запущен, поэтому текст нельзя прочитать вслух.</translation>
    </message>
    <message>
        <source>Speech Dispatcher stopped responding; reading aloud is off until Verdolin restarts.</source>
        <translation>Speech Dispatcher перестал отвечать; чтение вслух отключено до перезапуска Verdolin.</translation>
    </message>
    <message>
        <source>No voice on this computer reads %1.</source>
        <translation>На этом компьютере нет голоса для языка «%1».</translation>
    </message>
    <message>
        <source>The Speech Dispatcher plugin of Qt is not installed (package qt6-speech-speechd-plugin).</source>
        <translation>Модуль Speech Dispatcher для Qt не установлен (пакет qt6-speech-speechd-plugin).</translation>
    </message>
    <message>
        <source>Speech Dispatcher cannot be used: %1</source>
        <translation>Speech Dispatcher нельзя использовать: %1</translation>
    </message>
    <message>
        <source>The voice for %1 could not be selected.</source>
        <translation>Не удалось выбрать голос для языка «%1».</translation>
    </message>
    <message>
        <source>Speech Dispatcher could not read the text.</source>
        <translation>Speech Dispatcher не смог прочитать текст.</translation>
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
    <name>TranslationRun</name>
    <message>
        <source>The language data for this pair is no longer installed.</source>
        <translation>Языковые данные для этой пары больше не установлены.</translation>
    </message>
    <message>
        <source>The translation was interrupted.</source>
        <translation>Перевод прерван.</translation>
    </message>
</context>
<context>
    <name>TranslationTab</name>
    <message>
        <source>Text in any other language is translated into your language; text in your language is translated into the second one.</source>
        <translation>Текст на любом другом языке переводится на ваш язык, а текст на вашем языке — на второй.</translation>
    </message>
    <message>
        <source>My language</source>
        <translation>Мой язык</translation>
    </message>
    <message>
        <source>Second language</source>
        <translation>Второй язык</translation>
    </message>
    <message>
        <source>Offline languages: %1 downloaded</source>
        <translation>Языки без сети: скачано %1</translation>
    </message>
    <message>
        <source>Downloaded</source>
        <translation>Скачан</translation>
    </message>
    <message>
        <source>Not available</source>
        <translation>Недоступен</translation>
    </message>
    <message>
        <source>Manage in %1…</source>
        <translation>Открыть в %1…</translation>
    </message>
    <message>
        <source>Dictionaries</source>
        <translation>Словари</translation>
    </message>
    <message>
        <source>Dictionaries work offline.</source>
        <translation>Словари работают без сети.</translation>
    </message>
    <message>
        <source>Show definitions for single words</source>
        <translation>Показывать определения для отдельных слов</translation>
    </message>
    <message>
        <source>All installed dictionaries</source>
        <translation>Все установленные словари</translation>
    </message>
    <message>
        <source>Choose…</source>
        <translation>Выбрать…</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Get more dictionaries</source>
        <translation>Другие словари</translation>
    </message>
    <message>
        <source>Dictionaries for your two languages that the package manager offers.</source>
        <translation>Словари для двух ваших языков, которые предлагает менеджер пакетов.</translation>
    </message>
    <message>
        <source>The package manager offers no dictionaries for these languages.</source>
        <translation>Для этих языков менеджер пакетов не предлагает словарей.</translation>
    </message>
</context>
<context>
    <name>TranslationTabState</name>
    <message>
        <source>No dictionaries installed.</source>
        <translation>Словари не установлены.</translation>
    </message>
    <message>
        <source>No dictionaries match “%1”</source>
        <translation>Нет словарей по запросу «%1»</translation>
    </message>
    <message>
        <source>Verdolin cannot install dictionaries here. Run this command instead:</source>
        <translation>Verdolin не может установить словари здесь. Выполните вместо этого команду:</translation>
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
    <name>UpdateController</name>
    <message>
        <source>Last checked: never</source>
        <translation>Последняя проверка: никогда</translation>
    </message>
    <message>
        <source>Last checked: %1</source>
        <translation>Последняя проверка: %1</translation>
    </message>
</context>
<context>
    <name>UpdateDialog</name>
    <message>
        <source>Checking for updates…</source>
        <translation>Проверка обновлений…</translation>
    </message>
    <message>
        <source>You’re up to date</source>
        <translation>У вас последняя версия</translation>
    </message>
    <message>
        <source>A new version of Verdolin is available</source>
        <translation>Доступна новая версия Verdolin</translation>
    </message>
    <message>
        <source>Downloading Verdolin %1…</source>
        <translation>Загрузка Verdolin %1…</translation>
    </message>
    <message>
        <source>Installing Verdolin %1…</source>
        <translation>Установка Verdolin %1…</translation>
    </message>
    <message>
        <source>Update installed</source>
        <translation>Обновление установлено</translation>
    </message>
    <message>
        <source>Update failed</source>
        <translation>Не удалось обновить</translation>
    </message>
    <message>
        <source>Verdolin %1 is the newest version available.</source>
        <translation>Verdolin %1 — новейшая доступная версия.</translation>
    </message>
    <message>
        <source>Verdolin %1 is available — you have %2. Would you like to install it now?</source>
        <translation>Доступен Verdolin %1 — у вас %2. Установить его сейчас?</translation>
    </message>
    <message>
        <source>Your system asks for your password to install it.</source>
        <translation>Для установки система запросит ваш пароль.</translation>
    </message>
    <message>
        <source>Release notes</source>
        <translation>Примечания к выпуску</translation>
    </message>
    <message>
        <source>Install updates automatically</source>
        <translation>Устанавливать обновления автоматически</translation>
    </message>
    <message>
        <source>Later</source>
        <translation>Позже</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Установить</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>Updater</name>
    <message>
        <source>Cancelled.</source>
        <translation>Отменено.</translation>
    </message>
    <message>
        <source>Could not look for updates: %1</source>
        <translation>Не удалось проверить обновления: %1</translation>
    </message>
    <message>
        <source>The update information could not be read.</source>
        <translation>Не удалось прочитать сведения об обновлениях.</translation>
    </message>
    <message>
        <source>The download failed: %1</source>
        <translation>Не удалось загрузить обновление: %1</translation>
    </message>
    <message>
        <source>The download was incomplete; nothing was installed.</source>
        <translation>Загрузка не завершилась; ничего не установлено.</translation>
    </message>
    <message>
        <source>The update’s signature is not valid; nothing was installed.</source>
        <translation>Подпись обновления недействительна; ничего не установлено.</translation>
    </message>
    <message>
        <source>Verdolin %1 is installed. It starts the next time you open Verdolin.</source>
        <translation>Verdolin %1 установлен. Новая версия запустится, когда вы снова откроете Verdolin.</translation>
    </message>
    <message>
        <source>The installation was cancelled.</source>
        <translation>Установка отменена.</translation>
    </message>
    <message>
        <source>The system did not install the update.</source>
        <translation>Система не установила обновление.</translation>
    </message>
</context>
<context>
    <name>UpdatesSection</name>
    <message>
        <source>Updates</source>
        <translation>Обновления</translation>
    </message>
    <message>
        <source>Verdolin %1</source>
        <translation>Verdolin %1</translation>
    </message>
    <message>
        <source>Check Now</source>
        <translation>Проверить сейчас</translation>
    </message>
    <message>
        <source>Looks for a new version of Verdolin now</source>
        <translation>Ищет новую версию Verdolin прямо сейчас</translation>
    </message>
    <message>
        <source>Check for updates</source>
        <translation>Проверять обновления</translation>
    </message>
    <message>
        <source>Daily</source>
        <translation>Ежедневно</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>Еженедельно</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>Ежемесячно</translation>
    </message>
    <message>
        <source>Never</source>
        <translation>Никогда</translation>
    </message>
    <message>
        <source>Install updates automatically</source>
        <translation>Устанавливать обновления автоматически</translation>
    </message>
    <message>
        <source>How updates work</source>
        <translation>Как работают обновления</translation>
    </message>
    <message>
        <source>Verdolin looks for updates on %1. Automatic installation applies new versions the next time you quit Verdolin; major updates still ask first. Choose Never to turn the check off.</source>
        <translation>Verdolin ищет обновления на %1. Автоматически новые версии устанавливаются, когда вы в следующий раз выходите из Verdolin; о крупных обновлениях Verdolin всё равно спросит. Выберите «Никогда», чтобы отключить проверку.</translation>
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
