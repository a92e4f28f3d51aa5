<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>Database</name>
    <message>
        <source>Не удалось открыть файл базы данных %1: %2</source>
        <translation>Cannot open the database file %1: %2</translation>
    </message>
    <message>
        <source>файла нет. Положите файл базы данных на это место (в поставке он лежит рядом с программами) и запустите программу снова.</source>
        <translation>there is no such file. Put the database file there (the package has it beside the programs) and start the program again.</translation>
    </message>
    <message>
        <source>под этим именем лежит не файл. Уберите его и положите на это место файл базы данных.</source>
        <translation>what lies under this name is not a file. Remove it and put the database file there.</translation>
    </message>
    <message>
        <source>SQLite его не открывает. Проверьте права на файл и его папку.
%1</source>
        <translation>SQLite does not open it. Check the permissions of the file and its folder.
%1</translation>
    </message>
    <message>
        <source>файл не читается как база данных (испорчен или это другой файл). Восстановите его из копии.
%1</source>
        <translation>the file does not read as a database (damaged, or another file). Restore it from a copy.
%1</translation>
    </message>
    <message>
        <source>база данных %1 не открыта (смотрите сообщение при запуске): исправьте файл и запустите программу снова</source>
        <translation>the database %1 is not open (see the message at start-up): fix the file and start the program again</translation>
    </message>
    <message>
        <source>соединение %1 с базой данных не открывалось</source>
        <translation>the database connection %1 was never opened</translation>
    </message>
    <message>
        <source>Соединение с базой данных %1 потеряно. Программа подключится к ней снова при следующем действии.</source>
        <translation>The connection to the database %1 was lost. The program will connect again at the next action.</translation>
    </message>
    <message>
        <source>в базе данных нет таблиц программ (addrs, logs, options). Создайте их командой orvant-mkdb (см. README) и запустите программу снова.</source>
        <translation>the database has none of the programs&apos; tables (addrs, logs, options). Create them with orvant-mkdb (see the README) and start the program again.</translation>
    </message>
    <message>
        <source>Не удалось обновить базу данных %1: %2</source>
        <translation>Cannot upgrade the database %1: %2</translation>
    </message>
    <message>
        <source>нет соединения с базой данных %1</source>
        <translation>no connection to the database %1</translation>
    </message>
    <message>
        <source>каталог %1 доступен только для чтения: рядом с базой данных нельзя создать её служебные файлы (%2-wal, %2-shm). Дайте программам право на запись в этот каталог (например, sudo chmod g+w &quot;%1&quot; для группы пользователей Orvant) или перенесите базу данных в каталог, доступный для записи.</source>
        <translation>the directory %1 is read-only: the database&apos;s working files (%2-wal, %2-shm) cannot be made beside it. Give the programs write access to this directory (for example, sudo chmod g+w &quot;%1&quot; for the Orvant users&apos; group) or move the database to a writable directory.</translation>
    </message>
    <message>
        <source>Файл базы данных %1 доступен только для чтения: записи о сбоях и изменения не будут сохранены. Дайте право на запись в этот файл (например, sudo chmod g+w &quot;%1&quot;).</source>
        <translation>The database file %1 is read-only: outage records and changes will not be saved. Give write access to this file (for example, sudo chmod g+w &quot;%1&quot;).</translation>
    </message>
    <message>
        <source>База данных %1 не переведена в журнал WAL (режим %2): программы будут чаще ждать друг друга.</source>
        <translation>The database %1 could not be switched to the WAL journal (mode %2): the programs will wait for each other more often.</translation>
    </message>
    <message>
        <source>не удалось настроить журнал файла (возможно, его держит другая программа). Запустите программу снова.
%1</source>
        <translation>the file&apos;s journal could not be set up (another program may be holding it). Start the program again.
%1</translation>
    </message>
    <message>
        <source>Не удалось подключиться к базе данных %1: %2</source>
        <translation>Could not connect to the database %1: %2</translation>
    </message>
    <message>
        <source>Настройки подключения — в файле %1.</source>
        <translation>The connection settings are in the file %1.</translation>
    </message>
    <message>
        <source>нет драйвера PostgreSQL для Qt (QPSQL). Установите пакет libqt6sql6-psql.</source>
        <translation>Qt&apos;s PostgreSQL driver (QPSQL) is missing. Install the package libqt6sql6-psql.</translation>
    </message>
    <message>
        <source>сервер не отвечает или отказал в подключении. Проверьте, что сервер PostgreSQL запущен, а адрес, порт, имя базы и пользователь указаны верно.
%1</source>
        <translation>the server does not answer or refused the connection. Check that the PostgreSQL server is running and that the address, port, database name and user are right.
%1</translation>
    </message>
</context>
<context>
    <name>DatabaseConfig</name>
    <message>
        <source>Ошибка в файле настройки %1: %2</source>
        <translation>Error in the configuration file %1: %2</translation>
    </message>
    <message>
        <source>файл не читается. Проверьте права на него.</source>
        <translation>the file cannot be read. Check its permissions.</translation>
    </message>
    <message>
        <source>файл не читается как файл настройки (строки вида ключ=значение в разделе [database]).</source>
        <translation>the file does not read as a configuration file (key=value lines in a [database] section).</translation>
    </message>
    <message>
        <source>в разделе [database] нет ключа %1 (или он пуст).</source>
        <translation>the [database] section has no key %1 (or it is empty).</translation>
    </message>
    <message>
        <source>ключ port: «%1» — не номер порта (от 1 до 65535).</source>
        <translation>key port: “%1” is not a port number (1 to 65535).</translation>
    </message>
    <message>
        <source>ключ driver: неизвестный драйвер «%1». Допустимы postgresql и sqlite.</source>
        <translation>key driver: unknown driver “%1”. Use postgresql or sqlite.</translation>
    </message>
    <message>
        <source>%1 на сервере %2:%3</source>
        <translation>%1 on the server %2:%3</translation>
    </message>
</context>
<context>
    <name>DatabaseCopy</name>
    <message>
        <source>в базе данных на сервере есть лишь часть таблиц программ (addrs, logs, options): копировать в неё нельзя</source>
        <translation>the server&apos;s database has only some of the programs&apos; tables (addrs, logs, options): nothing can be copied into it</translation>
    </message>
    <message>
        <source>в базе данных на сервере уже есть журнал или адреса: копия в неё смешала бы две истории. Копируйте в пустую базу данных.</source>
        <translation>the server&apos;s database already holds a log or addresses: a copy would mix two histories. Copy into an empty database.</translation>
    </message>
    <message>
        <source>строка %1 таблицы %2 (%3): %4</source>
        <translation>row %1 of the table %2 (%3): %4</translation>
    </message>
</context>
<context>
    <name>DatabaseWait</name>
    <message>
        <source>Ожидание ответа базы данных...</source>
        <translation>Waiting for the database...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DurationText</name>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 мин</source>
        <translation>%1 min</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 д %2 ч</source>
        <translation>%1 d %2 h</translation>
    </message>
</context>
<context>
    <name>OptionsStore</name>
    <message>
        <source>в таблице options нет строки настроек. Добавьте в неё одну строку (или возьмите файл базы данных из поставки) и откройте настройки снова</source>
        <translation>the options table has no settings row. Add one row to it (or take the database file from the package) and open the settings again</translation>
    </message>
    <message>
        <source>в таблице options нет столбца %1</source>
        <translation>the options table has no column %1</translation>
    </message>
    <message>
        <source>столбец %1 таблицы options пуст</source>
        <translation>the column %1 of the options table is empty</translation>
    </message>
    <message>
        <source>недопустимое значение «%2» в столбце %1 таблицы options</source>
        <translation>invalid value “%2” in the column %1 of the options table</translation>
    </message>
</context>
<context>
    <name>Schema</name>
    <message>
        <source>нет шаблона таблиц для сервера</source>
        <translation>the server&apos;s table template is missing</translation>
    </message>
    <message>
        <source>в базе данных уже есть таблицы программ: она не пуста, её данные оставлены как есть</source>
        <translation>the database already has the programs&apos; tables: it is not empty, and its data was left as it is</translation>
    </message>
</context>
<context>
    <name>Translations</name>
    <message>
        <source>Не найден перевод Qt qtbase_ru.qm в %1: стандартные кнопки и диалоги будут на английском. Установите пакет qt6-translations-l10n.</source>
        <translation>Qt&apos;s translation qtbase_ru.qm was not found in %1: standard buttons and dialogs will be in English. Install the package qt6-translations-l10n.</translation>
    </message>
</context>
<context>
    <name>TranspSliderDesignerWidget</name>
    <message>
        <source>Sets the opacity of the window it sits on (%1)</source>
        <translation>Sets the opacity of the window it sits on (%1)</translation>
    </message>
    <message>
        <source>A scroll bar from 100 to 255: below 255 the window it sits on becomes translucent and stays on top; at 255 it is opaque again.</source>
        <translation>A scroll bar from 100 to 255: below 255 the window it sits on becomes translucent and stays on top; at 255 it is opaque again.</translation>
    </message>
</context>
<context>
    <name>admin::AdminRules</name>
    <message>
        <source>Время ожидания ответа не может быть больше %1 мс (одной минуты).</source>
        <translation>The reply timeout cannot be more than %1 ms (one minute).</translation>
    </message>
</context>
<context>
    <name>admin::OpenWithDialog</name>
    <message>
        <source>Выберите программу для открытия файла
%1</source>
        <translation>Choose a program to open the file
%1</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Обзор...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Открыть с помощью</source>
        <comment>window title</comment>
        <translation>Открыть с помощью</translation>
    </message>
    <message>
        <source>Программа</source>
        <comment>window title</comment>
        <translation>Программа</translation>
    </message>
</context>
<context>
    <name>admin::OutageExport</name>
    <message>
        <source>Не удалось прочитать журнал: %1</source>
        <translation>Cannot read the log: %1</translation>
    </message>
    <message>
        <source>Не удалось записать файл: %1</source>
        <translation>Cannot write the file: %1</translation>
    </message>
    <message>
        <source>Не удалось создать файл %1: %2</source>
        <translation>Cannot create the file %1: %2</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1: %2</source>
        <translation>Cannot write the file %1: %2</translation>
    </message>
</context>
<context>
    <name>admin::OutageLog</name>
    <message>
        <source>Обрывов: %1, открыто: %2</source>
        <translation>Outages: %1, open: %2</translation>
    </message>
    <message>
        <source>; закрытые: всего %1, дольше всех %2</source>
        <translation>; closed: %1 in all, longest %2</translation>
    </message>
</context>
<context>
    <name>admin::frmAdd</name>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>IP адрес:</source>
        <translation>IP address:</translation>
    </message>
    <message>
        <source>Описание:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Время ожидания ответа(ms):</source>
        <translation>Reply timeout (ms):</translation>
    </message>
    <message>
        <source>Нет Ip адреса!</source>
        <translation>No IP address!</translation>
    </message>
    <message>
        <source>Не удалось проверить адрес.</source>
        <translation>Cannot check the address.</translation>
    </message>
    <message>
        <source>Запись с этим IP уже существует!</source>
        <translation>A record with this IP already exists!</translation>
    </message>
    <message>
        <source>Не удалось добавить адрес.</source>
        <translation>Cannot add the address.</translation>
    </message>
    <message>
        <source>Добавить</source>
        <comment>window title</comment>
        <translation>Добавить</translation>
    </message>
</context>
<context>
    <name>admin::frmClearLog</name>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Удалить все записи старее: </source>
        <translation>Delete all records older than: </translation>
    </message>
    <message>
        <source>Вы уверенны, что хотите удалить 
все записи старее %1?</source>
        <translation>Are you sure you want to delete 
all records older than %1?</translation>
    </message>
    <message>
        <source>Записи не удалены.</source>
        <translation>The records were not deleted.</translation>
    </message>
    <message>
        <source>Записи удалены.</source>
        <translation>The records have been deleted.</translation>
    </message>
    <message>
        <source>Очистить лог</source>
        <comment>window title</comment>
        <translation>Очистить лог</translation>
    </message>
</context>
<context>
    <name>admin::frmDel</name>
    <message>
        <source>Удалить из базы IP адрес :</source>
        <translation>Delete the IP address from the database:</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Нет IP адреса!</source>
        <translation>No IP address!</translation>
    </message>
    <message>
        <source>Не удалось удалить адрес.</source>
        <translation>Cannot delete the address.</translation>
    </message>
    <message>
        <source>Запись с таким IP удалена.</source>
        <translation>The record with this IP has been deleted.</translation>
    </message>
    <message>
        <source>Удаление</source>
        <comment>window title</comment>
        <translation>Удаление</translation>
    </message>
</context>
<context>
    <name>admin::frmEdAdr</name>
    <message>
        <source>Редактирование аттрибутов адреса</source>
        <translation>Editing the address&apos;s attributes</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Описание:</source>
        <translation>Description:</translation>
    </message>
    <message>
        <source>Время ожидания ответа(ms):</source>
        <translation>Reply timeout (ms):</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
    <message>
        <source>Не удалось прочитать адрес.</source>
        <translation>Cannot read the address.</translation>
    </message>
    <message>
        <source>Изменений небыло.</source>
        <translation>Nothing was changed.</translation>
    </message>
    <message>
        <source>Изменения не записаны.</source>
        <translation>The changes were not saved.</translation>
    </message>
    <message>
        <source>Изменения не записаны: адреса «%1» нет в базе.</source>
        <translation>The changes were not saved: the address “%1” is not in the database.</translation>
    </message>
    <message>
        <source>Изменения записанны.</source>
        <translation>The changes have been saved.</translation>
    </message>
    <message>
        <source>Редактирование</source>
        <comment>window title</comment>
        <translation>Редактирование</translation>
    </message>
</context>
<context>
    <name>admin::frmMain</name>
    <message>
        <source>Не удалось прочитать журнал.</source>
        <translation>Cannot read the log.</translation>
    </message>
    <message>
        <source>Программа</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>Начать проверку</source>
        <translation>Start monitoring</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>База</source>
        <translation>Database</translation>
    </message>
    <message>
        <source>Журнал</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>Экспорт журнала...</source>
        <translation>Export log...</translation>
    </message>
    <message>
        <source>Просмотр адресов</source>
        <translation>View addresses</translation>
    </message>
    <message>
        <source>Добавить адрес</source>
        <translation>Add address</translation>
    </message>
    <message>
        <source>Редактир адрес</source>
        <translation>Edit address</translation>
    </message>
    <message>
        <source>Удалить  адрес</source>
        <translation>Delete address</translation>
    </message>
    <message>
        <source>Очистить лог</source>
        <translation>Clear log</translation>
    </message>
    <message>
        <source>Сервис</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Обновить статистику</source>
        <translation>Refresh statistics</translation>
    </message>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Не удалось открыть базу данных.</source>
        <translation>Cannot open the database.</translation>
    </message>
    <message>
        <source>Не удалось прочитать настройки.</source>
        <translation>Cannot read the settings.</translation>
    </message>
    <message>
        <source>Не удалось подсчитать журнал.</source>
        <translation>Cannot count the log.</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов.</source>
        <translation>Cannot read the address list.</translation>
    </message>
    <message>
        <source>Не удалось запустить программу %1.</source>
        <translation>Cannot start the program %1.</translation>
    </message>
    <message>
        <source>Файлы CSV (*.csv);;Все файлы (*)</source>
        <translation>CSV files (*.csv);;All files (*)</translation>
    </message>
    <message>
        <source>Не удалось экспортировать журнал.</source>
        <translation>Cannot export the log.</translation>
    </message>
    <message>
        <source>Экспорт журнала в %1</source>
        <translation>Exporting the log to %1</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>№     |Время обрыва         |Время восстанов.  |Описание                                         |Ip-адрес              </source>
        <translation>#     |Connection lost      |Restored          |Description                                      |IP address            </translation>
    </message>
    <message>
        <source>|Описание                                         |Ip-адрес              |Таймаут (мс)</source>
        <translation>|Description                                      |IP address            |Timeout (ms)</translation>
    </message>
    <message>
        <source>Экспорт журнала</source>
        <comment>window title</comment>
        <translation>Экспорт журнала</translation>
    </message>
    <message>
        <source>Журнал хранится в базе данных %1. Откройте её программой для PostgreSQL (например, psql или pgAdmin).</source>
        <translation>The log is kept in the database %1. Open it with a PostgreSQL program (for example psql or pgAdmin).</translation>
    </message>
    <message>
        <source>Найти: адрес или описание</source>
        <translation>Find: address or description</translation>
    </message>
</context>
<context>
    <name>admin::frmOpt</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Показывать окно при отсутствии соединения:</source>
        <translation>Show the window when a connection is lost:</translation>
    </message>
    <message>
        <source>Звук</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>при обрыве:</source>
        <translation>on loss:</translation>
    </message>
    <message>
        <source>при восстановлении:</source>
        <translation>on recovery:</translation>
    </message>
    <message>
        <source>Интервал обновления (мин):</source>
        <translation>Check interval (min):</translation>
    </message>
    <message>
        <source>Сохранить и закрыть</source>
        <translation>Save and close</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Интервал обновления «%1» не подходит: нужно целое число минут от %2 до %3 (один год).
Введите другое число; настройки в таблице options не изменены.</source>
        <translation>The check interval “%1” does not fit: it must be a whole number of minutes from %2 to %3 (one year).
Enter another number; the settings in the options table are unchanged.</translation>
    </message>
    <message>
        <source>Не удалось сохранить настройки в таблицу options; сохранённые значения не изменены. Проверьте файл базы данных и сохраните снова.</source>
        <translation>Cannot save the settings to the options table; the saved values are unchanged. Check the database file and save again.</translation>
    </message>
    <message>
        <source>Изменения вступят в силу после перезапуска программы Orvant.</source>
        <translation>The changes take effect when Orvant is restarted.</translation>
    </message>
    <message>
        <source>Настройки</source>
        <comment>window title</comment>
        <translation>Настройки</translation>
    </message>
</context>
<context>
    <name>admin::main</name>
    <message>
        <source>Программа уже запущена!</source>
        <translation>The program is already running!</translation>
    </message>
</context>
<context>
    <name>grapher::ChartControl</name>
    <message>
        <source>время</source>
        <translation>time</translation>
    </message>
    <message>
        <source>кол-во событий</source>
        <translation>events</translation>
    </message>
</context>
<context>
    <name>grapher::GraphRequest</name>
    <message>
        <source>Время начала не может быть позже времени окончания.</source>
        <translation>The start time cannot be later than the end time.</translation>
    </message>
    <message>
        <source>Максимальное количество событий должно быть числом от 1 до 1000000.</source>
        <translation>The maximum number of events must be a number from 1 to 1000000.</translation>
    </message>
    <message>
        <source>Интервал должен быть целым числом минут от 1 до 60.</source>
        <translation>The interval must be a whole number of minutes from 1 to 60.</translation>
    </message>
</context>
<context>
    <name>grapher::frmDativo</name>
    <message>
        <source>Дата</source>
        <comment>window title</comment>
        <translation>Дата</translation>
    </message>
</context>
<context>
    <name>grapher::frmMain</name>
    <message>
        <source>Дата начала </source>
        <translation>Start date</translation>
    </message>
    <message>
        <source>Дата окончания</source>
        <translation>End date</translation>
    </message>
    <message>
        <source>Время начала</source>
        <translation>Start time</translation>
    </message>
    <message>
        <source>Время окончания</source>
        <translation>End time</translation>
    </message>
    <message>
        <source>с</source>
        <translation>from</translation>
    </message>
    <message>
        <source>по </source>
        <translation>to </translation>
    </message>
    <message>
        <source>Дата:</source>
        <translation>Date:</translation>
    </message>
    <message>
        <source>Время:</source>
        <translation>Time:</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Интервал, мин.:</source>
        <translation>Interval, min:</translation>
    </message>
    <message>
        <source>Текст подписи к графику</source>
        <translation>The curve&apos;s legend text</translation>
    </message>
    <message>
        <source>Цвет линии</source>
        <translation>Line colour</translation>
    </message>
    <message>
        <source>Толщина линии</source>
        <translation>Line width</translation>
    </message>
    <message>
        <source>Максимальное значение по оси Y</source>
        <translation>Largest value on the Y axis</translation>
    </message>
    <message>
        <source>Адрес, на основе которого будет построен график</source>
        <translation>The address the graph is drawn for</translation>
    </message>
    <message>
        <source>График</source>
        <translation>Graph</translation>
    </message>
    <message>
        <source>Легенда:</source>
        <translation>Legend:</translation>
    </message>
    <message>
        <source>Толщина:</source>
        <translation>Width:</translation>
    </message>
    <message>
        <source>Максим-е кол-во событий:</source>
        <translation>Max. events:</translation>
    </message>
    <message>
        <source>Цвет:</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>Адрес:</source>
        <translation>Address:</translation>
    </message>
    <message>
        <source>Рисовать</source>
        <translation>Draw</translation>
    </message>
    <message>
        <source>Рисовать график</source>
        <translation>Draw the graph</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Сохранить график в файл</source>
        <translation>Save the graph to a file</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Стереть график</source>
        <translation>Erase the graph</translation>
    </message>
    <message>
        <source>Расшифровать график</source>
        <translation>Graph breakdown</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов: %1</source>
        <translation>Cannot read the address list: %1</translation>
    </message>
    <message>
        <source>Ошибка базы данных, график может быть неполным:
</source>
        <translation>Database error, the graph may be incomplete:
</translation>
    </message>
    <message>
        <source>Не удалось сохранить рисунок в файл %1</source>
        <translation>Cannot save the picture to the file %1</translation>
    </message>
    <message>
        <source>Не задан период.</source>
        <translation>No period given.</translation>
    </message>
    <message>
        <source>Начало периода</source>
        <comment>window title</comment>
        <translation>Начало периода</translation>
    </message>
    <message>
        <source>Конец периода</source>
        <comment>window title</comment>
        <translation>Конец периода</translation>
    </message>
</context>
<context>
    <name>grapher::frmTime</name>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Сохранить как...</source>
        <translation>Save as...</translation>
    </message>
    <message>
        <source>Закрыть окно</source>
        <translation>Close window</translation>
    </message>
    <message>
        <source>Не удалось сохранить файл %1: %2</source>
        <translation>Cannot save the file %1: %2</translation>
    </message>
    <message>
        <source>Расшифровка графика</source>
        <comment>window title</comment>
        <translation>Расшифровка графика</translation>
    </message>
</context>
<context>
    <name>grapher::main</name>
    <message>
        <source>Не удалось открыть базу данных.
%1</source>
        <translation>Cannot open the database.
%1</translation>
    </message>
</context>
<context>
    <name>monitor::DesktopNotifier</name>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
</context>
<context>
    <name>monitor::Form1</name>
    <message>
        <source>|Описание                                        |Время         |Ip-адрес              |Вр.ож.   </source>
        <translation>|Description                                     |Time          |IP address            |Timeout  </translation>
    </message>
    <message>
        <source>База данных занята другой программой (%1): записи о сбоях (%2) ждут и будут сделаны, как только она освободится.</source>
        <translation>The database is busy in another program (%1): the outage records (%2) wait and will be made as soon as it is free.</translation>
    </message>
    <message>
        <source>Отложенные записи о сбоях сделаны (%1).</source>
        <translation>The postponed outage records have been made (%1).</translation>
    </message>
    <message>
        <source>Время до след. проверки(сек):</source>
        <translation>Next check in (s):</translation>
    </message>
    <message>
        <source>Нажать для принудительной проверки</source>
        <translation>Click to check now</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Свернуть в трей</source>
        <translation>Minimise to tray</translation>
    </message>
    <message>
        <source>Администрирование</source>
        <translation>Administration</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Отсутствие соединения</source>
        <translation>Lost connections</translation>
    </message>
    <message>
        <source>Сведения</source>
        <translation>Info</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Программа уже запущена!</source>
        <translation>The program is already running!</translation>
    </message>
    <message>
        <source>Не удалось создать файл блокировки %1 (%2): проверка второго экземпляра программы невозможна. Проверьте, что каталог доступен для записи и на диске есть место.</source>
        <translation>Cannot create the lock file %1 (%2): a second copy of the program cannot be detected. Check that the directory is writable and the disk has room.</translation>
    </message>
    <message>
        <source>Не удалось создать файл блокировки базы данных %1 (%2): второй монитор на этой базе данных не будет обнаружен. Проверьте права на каталог %3.</source>
        <translation>Cannot create the database lock file %1 (%2): a second monitor on this database will not be detected. Check the permissions of the directory %3.</translation>
    </message>
    <message>
        <source>Базу данных %1 уже использует монитор пользователя %2 (процесс %3).</source>
        <translation>The database %1 is already used by the monitor of the user %2 (process %3).</translation>
    </message>
    <message>
        <source>Не удалось прочитать отложенные записи %1: %2</source>
        <translation>Cannot read the postponed records %1: %2</translation>
    </message>
    <message>
        <source>Открытие базы данных</source>
        <translation>Opening the database</translation>
    </message>
    <message>
        <source>Не удалось открыть базу данных, наблюдение невозможно.

%1</source>
        <translation>Cannot open the database; no monitoring is possible.

%1</translation>
    </message>
    <message>
        <source>База данных открыта: %1</source>
        <translation>Database opened: %1</translation>
    </message>
    <message>
        <source>Чтение настроек</source>
        <translation>Reading the settings</translation>
    </message>
    <message>
        <source>Настройки: %1; используется значение по умолчанию.</source>
        <translation>Settings: %1; the default value is used.</translation>
    </message>
    <message>
        <source>Ошибка базы данных: %1: %2</source>
        <translation>Database error: %1: %2</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>файл не является исполняемым</source>
        <translation>the file is not executable</translation>
    </message>
    <message>
        <source>Не удалось запустить программу администрирования
%1
(%2)</source>
        <translation>Cannot start the administration program
%1
(%2)</translation>
    </message>
    <message>
        <source>Программа: ORVANT
Версия: 2.0.1
Дата создания: 14.09.2004г.</source>
        <translation>Program: ORVANT
Version: 2.0.1
Created: 14.09.2004</translation>
    </message>
    <message>
        <source>Действительно хотите выйти ?</source>
        <translation>Do you really want to quit?</translation>
    </message>
    <message>
        <source>Завершение работы</source>
        <comment>window title</comment>
        <translation>Завершение работы</translation>
    </message>
    <message>
        <source>Нет связи с сервером базы данных %1 (%2): записи о сбоях (%3) ждут и будут сделаны, когда связь восстановится.</source>
        <translation>No connection to the database server %1 (%2): the outage records (%3) wait and will be made when the connection is back.</translation>
    </message>
    <message>
        <source>Потеряна связь с сервером базы данных %1 (%2). Проверка адресов продолжается; записи о сбоях ждут и будут сделаны, когда связь восстановится.</source>
        <translation>Lost the connection to the database server %1 (%2). Checking the addresses goes on; outage records wait and will be made when the connection is back.</translation>
    </message>
    <message>
        <source>Базу данных %1 занял другой монитор (%2), пока связь с сервером была потеряна. Этот монитор продолжает проверку, но ничего не записывает, пока тот работает; закройте один из них.</source>
        <translation>Another monitor (%2) took the database %1 while the connection to the server was lost. This monitor goes on checking but writes nothing while that one runs; close one of them.</translation>
    </message>
    <message>
        <source>Связь с сервером базы данных %1 восстановлена.</source>
        <translation>The connection to the database server %1 is back.</translation>
    </message>
    <message>
        <source>Базу данных %1 уже использует другой монитор: %2.</source>
        <translation>Another monitor already uses the database %1: %2.</translation>
    </message>
</context>
<context>
    <name>monitor::MonitorLock</name>
    <message>
        <source>сеанс «%1» пользователя %2 (%3, процесс сервера %4)</source>
        <translation>session “%1” of the user %2 (%3, server process %4)</translation>
    </message>
    <message>
        <source>без имени</source>
        <translation>unnamed</translation>
    </message>
    <message>
        <source>подключение на самом сервере</source>
        <translation>a connection on the server itself</translation>
    </message>
    <message>
        <source>адрес %1</source>
        <translation>address %1</translation>
    </message>
    <message>
        <source>другой сеанс</source>
        <translation>another session</translation>
    </message>
</context>
<context>
    <name>monitor::NotificationTexts</name>
    <message>
        <source>Нет соединения</source>
        <translation>No connection</translation>
    </message>
    <message>
        <source>Соединение восстановлено</source>
        <translation>Connection restored</translation>
    </message>
    <message numerus="yes">
        <source>и ещё %n</source>
        <translation>
            <numerusform>and %n more</numerusform>
            <numerusform>and %n more</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Нет соединения: %n адр.</source>
        <translation>
            <numerusform>No connection: %n address</numerusform>
            <numerusform>No connection: %n addresses</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Соединение восстановлено: %n адр.</source>
        <translation>
            <numerusform>Connection restored: %n address</numerusform>
            <numerusform>Connection restored: %n addresses</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>monitor::PollingEngine</name>
    <message>
        <source>Не удалось записать начало сбоя для %1</source>
        <translation>Cannot record the start of the outage of %1</translation>
    </message>
    <message>
        <source>Не удалось записать окончание сбоя для %1</source>
        <translation>Cannot record the end of the outage of %1</translation>
    </message>
    <message>
        <source>Не удалось прочитать список адресов</source>
        <translation>Cannot read the address list</translation>
    </message>
    <message>
        <source>Адрес %1 не проверяется: значение ping_timeout «%2» не является числом миллисекунд. Исправьте его в программе администрирования.</source>
        <translation>The address %1 is not checked: the ping_timeout value “%2” is not a number of milliseconds. Correct it in the administration program.</translation>
    </message>
    <message>
        <source>Адрес %1: ping_timeout %2 мс больше допустимого, используется %3 мс.</source>
        <translation>Address %1: ping_timeout %2 ms is more than allowed; %3 ms is used.</translation>
    </message>
    <message>
        <source>Не удалось прочитать открытые записи о сбоях</source>
        <translation>Cannot read the open outage records</translation>
    </message>
    <message>
        <source>Проверка адресов невозможна: не удалось открыть ICMP-сокет (%1).
Пока это так, состояние адресов не меняется и сбои не записываются.

Чтобы исправить, сделайте одно из двух:
• разрешите ICMP-сокеты без привилегий:
  sudo sysctl -w net.ipv4.ping_group_range=&quot;0 2147483647&quot;
  (чтобы сохранить после перезагрузки, добавьте строку
  net.ipv4.ping_group_range = 0 2147483647 в файл /etc/sysctl.d/90-ping.conf);
• или дайте программе право на raw-сокеты:
  sudo setcap cap_net_raw+ep &quot;%2&quot;</source>
        <translation>No address can be checked: cannot open an ICMP socket (%1).
While this lasts, no address changes state and no outage is recorded.

To fix it, do one of the two:
• allow ICMP sockets without privileges:
  sudo sysctl -w net.ipv4.ping_group_range=&quot;0 2147483647&quot;
  (to keep it after a reboot, add the line
  net.ipv4.ping_group_range = 0 2147483647 to the file /etc/sysctl.d/90-ping.conf);
• or give the program the right to raw sockets:
  sudo setcap cap_net_raw+ep &quot;%2&quot;</translation>
    </message>
</context>
<context>
    <name>monitor::RunningCaption</name>
    <message>
        <source> система работает </source>
        <comment>window title</comment>
        <translation> система работает </translation>
    </message>
    <message>
        <source> мин</source>
        <comment>window title</comment>
        <translation> мин</translation>
    </message>
</context>
<context>
    <name>monitor::ServerOutageStore</name>
    <message>
        <source>нет соединения с сервером базы данных</source>
        <translation>no connection to the database server</translation>
    </message>
</context>
<context>
    <name>monitor::ServerSession</name>
    <message>
        <source>Не удалось занять базу данных %1 для монитора: %2</source>
        <translation>Could not take the database %1 for the monitor: %2</translation>
    </message>
    <message>
        <source>соединение закрыто</source>
        <translation>the connection was closed</translation>
    </message>
    <message>
        <source>Не удалось подключиться к серверу базы данных %1: %2</source>
        <translation>Could not connect to the database server %1: %2</translation>
    </message>
    <message>
        <source>нет ответа за %1 мс</source>
        <translation>no answer within %1 ms</translation>
    </message>
    <message>
        <source>нет сокета %1 (сервер не запущен?)</source>
        <translation>no socket %1 (is the server running?)</translation>
    </message>
    <message>
        <source>сервер не принимает подключения на сокете %1</source>
        <translation>the server accepts no connections on the socket %1</translation>
    </message>
</context>
<context>
    <name>monitor::TransparencySlider</name>
    <message>
        <source>прозрачность окна</source>
        <translation>window transparency</translation>
    </message>
</context>
<context>
    <name>monitor::frmAbout</name>
    <message>
        <source>загрузка данных...</source>
        <translation>loading data...</translation>
    </message>
</context>
<context>
    <name>monitor::frmOtchet</name>
    <message>
        <source>Отсутствующие соединения</source>
        <translation>Lost connections</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>: нет соед. со след. адресами:</source>
        <translation>: no connection to these addresses:</translation>
    </message>
    <message>
        <source>Отсутствующие соединения</source>
        <comment>window title</comment>
        <translation>Отсутствующие соединения</translation>
    </message>
</context>
</TS>
