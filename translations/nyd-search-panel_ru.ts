<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>BalooController</name>
    <message>
        <source>Indexation suspended</source>
        <translation>Индексирование приостановлено</translation>
    </message>
    <message>
        <source>Reached index size limit (%1 GB)
Current index size: %2</source>
        <translation>Достигнут предел размера индекса (%1 ГБ)
Текущий размер индекса: %2</translation>
    </message>
    <message>
        <source>Remove the limit and continue indexing</source>
        <translation>Снять ограничение и продолжить индексирование</translation>
    </message>
</context>
<context>
    <name>BalooMonitor</name>
    <message>
        <source>Idle</source>
        <translation>Простой</translation>
    </message>
    <message>
        <source>Suspended</source>
        <translation>Приостановлено</translation>
    </message>
    <message>
        <source>First run</source>
        <translation>Первый запуск</translation>
    </message>
    <message>
        <source>New files</source>
        <translation>Новые файлы</translation>
    </message>
    <message>
        <source>Modified files</source>
        <translation>Изменённые файлы</translation>
    </message>
    <message>
        <source>XAttr files</source>
        <translation>Файлы с расширенными атрибутами</translation>
    </message>
    <message>
        <source>Content indexing</source>
        <translation>Индексирование содержимого</translation>
    </message>
    <message>
        <source>Unindexed file check</source>
        <translation>Проверка неиндексированных файлов</translation>
    </message>
    <message>
        <source>Stale index entries clean</source>
        <translation>Очистка устаревших записей индекса</translation>
    </message>
    <message>
        <source>Low power idle</source>
        <translation>Простой в режиме энергосбережения</translation>
    </message>
    <message>
        <source>Unavailable</source>
        <translation>Недоступно</translation>
    </message>
    <message>
        <source>Startup</source>
        <translation>Запуск</translation>
    </message>
    <message>
        <source>Unknown</source>
        <translation>Неизвестно</translation>
    </message>
</context>
<context>
    <name>CommandServer</name>
    <message>
        <source>Prepend text to the current search query</source>
        <translation>Добавить текст в начало текущего поискового запроса</translation>
    </message>
    <message>
        <source>text</source>
        <translation>текст</translation>
    </message>
    <message>
        <source>Hide window</source>
        <translation>Скрыть окно</translation>
    </message>
    <message>
        <source>Show/Hide window</source>
        <translation>Показать или скрыть окно</translation>
    </message>
    <message>
        <source>Start with hidden window</source>
        <translation>Запустить со скрытым окном</translation>
    </message>
    <message>
        <source>Monitor name</source>
        <translation>Имя монитора</translation>
    </message>
    <message>
        <source>monitor</source>
        <translation>монитор</translation>
    </message>
    <message>
        <source>Corner position [0-3]</source>
        <translation>Угол экрана [0-3]</translation>
    </message>
    <message>
        <source>position</source>
        <translation>угол</translation>
    </message>
    <message>
        <source>Taskbar height</source>
        <translation>Высота панели задач</translation>
    </message>
    <message>
        <source>size</source>
        <translation>размер</translation>
    </message>
    <message>
        <source>Width</source>
        <translation>Ширина</translation>
    </message>
    <message>
        <source>width</source>
        <translation>ширина</translation>
    </message>
    <message>
        <source>Height</source>
        <translation>Высота</translation>
    </message>
    <message>
        <source>height</source>
        <translation>высота</translation>
    </message>
    <message>
        <source>Quit application</source>
        <translation>Завершить приложение</translation>
    </message>
</context>
<context>
    <name>FolderTableModel</name>
    <message>
        <source>Indexed</source>
        <translation>Индексируется</translation>
    </message>
    <message>
        <source>Not indexed</source>
        <translation>Не индексируется</translation>
    </message>
    <message>
        <source>At least one folder must be included to be able to exclude home folder</source>
        <translation>Чтобы исключить домашнюю папку, хотя бы одна другая папка должна индексироваться</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Nyd search panel</source>
        <translation>Панель поиска Nyd</translation>
    </message>
    <message>
        <source>Enter text to search for programs,
documents, files</source>
        <translation>Введите текст для поиска программ,
документов, файлов</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;b&gt;Result is not found.&lt;/b&gt;&lt;/p&gt;Try to change the request.&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head/&gt;&lt;body&gt;&lt;p&gt;&lt;b&gt;Ничего не найдено.&lt;/b&gt;&lt;/p&gt;Попробуйте изменить запрос.&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
    <message>
        <source>Enter text to search</source>
        <translation>Введите текст для поиска</translation>
    </message>
    <message>
        <source>Please wait, indexation in progress, 
results may be incomplete.</source>
        <translation>Подождите, идёт индексирование, 
результаты могут быть неполными.</translation>
    </message>
    <message>
        <source>Advanced search</source>
        <translation>Расширенный поиск</translation>
    </message>
    <message>
        <source>Failed to copy %1 to %2</source>
        <translation>Не удалось скопировать %1 в %2</translation>
    </message>
    <message>
        <source>&amp;Open</source>
        <translation>&amp;Открыть</translation>
    </message>
    <message>
        <source>Open in &amp;terminal</source>
        <translation>Открыть в &amp;терминале</translation>
    </message>
    <message>
        <source>Add shortcut to &amp;Desktop</source>
        <translation>Добавить ярлык на &amp;рабочий стол</translation>
    </message>
    <message>
        <source>Pin on &amp;Taskbar</source>
        <translation>Закрепить на &amp;панели задач</translation>
    </message>
    <message>
        <source>&amp;Show in file manager</source>
        <translation>&amp;Показать в файловом менеджере</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Копировать</translation>
    </message>
    <message>
        <source>Copy &amp;path</source>
        <translation>Копировать п&amp;уть</translation>
    </message>
    <message>
        <source>&amp;Send to</source>
        <translation>О&amp;тправить</translation>
    </message>
    <message>
        <source>&amp;Desktop</source>
        <translation>&amp;Рабочий стол</translation>
    </message>
    <message>
        <source>&amp;Home</source>
        <translation>&amp;Домашняя папка</translation>
    </message>
    <message>
        <source>&amp;Documents</source>
        <translation>Д&amp;окументы</translation>
    </message>
    <message>
        <source>&amp;Properties</source>
        <translation>&amp;Свойства</translation>
    </message>
</context>
<context>
    <name>RunnerResultsModel</name>
    <message>
        <source>Best match</source>
        <translation>Лучшее совпадение</translation>
    </message>
    <message>
        <source>&lt;table&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Name:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%1&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Path:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%2&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Size:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%3&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Opened:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%4&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Created:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%5&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Modified:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%6&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;</source>
        <translation>&lt;table&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Имя:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%1&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Путь:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%2&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Размер:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%3&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Открыт:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%4&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Создан:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%5&lt;/td&gt;&lt;/tr&gt;&lt;tr&gt;&lt;td align=&apos;right&apos;&gt;&lt;b&gt;Изменён:&lt;/b&gt;&lt;/td&gt;&lt;td align=&apos;left&apos;&gt;%6&lt;/td&gt;&lt;/tr&gt;&lt;/table&gt;</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Папки</translation>
    </message>
    <message>
        <source>Spreadsheet</source>
        <translation>Таблицы</translation>
    </message>
    <message>
        <source>Presentation</source>
        <translation>Презентации</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Аудио</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Видео</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Изображения</translation>
    </message>
    <message>
        <source>Archive</source>
        <translation>Архивы</translation>
    </message>
    <message>
        <source>Document</source>
        <translation>Документы</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Текстовые файлы</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Файлы</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Справка</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Приложения</translation>
    </message>
</context>
<context>
    <name>SettingsDialog</name>
    <message>
        <source>File search — System settings module</source>
        <translation>Поиск файлов — модуль системных настроек</translation>
    </message>
    <message>
        <source>File Search</source>
        <translation>Поиск файлов</translation>
    </message>
    <message>
        <source>File Search helps you quickly locate all your files based on their content.</source>
        <translation>Поиск файлов помогает быстро находить файлы по их содержимому.</translation>
    </message>
    <message>
        <source>Enable File Search</source>
        <translation>Включить поиск файлов</translation>
    </message>
    <message>
        <source>This will disable file searching</source>
        <translation>Включает и выключает поиск файлов</translation>
    </message>
    <message>
        <source>Also index file content</source>
        <translation>Индексировать также содержимое файлов</translation>
    </message>
    <message>
        <source>Controls if Baloo indexes file content</source>
        <translation>Индексирует ли Baloo содержимое файлов</translation>
    </message>
    <message>
        <source>Index hidden files and folders</source>
        <translation>Индексировать скрытые файлы и папки</translation>
    </message>
    <message>
        <source>Controls if Baloo indexes hidden files and folders</source>
        <translation>Индексирует ли Baloo скрытые файлы и папки</translation>
    </message>
    <message>
        <source>Start indexation only when computer screen is locked</source>
        <translation>Индексировать только при заблокированном экране</translation>
    </message>
    <message>
        <source>indexing only in idle mode</source>
        <translation>индексирование только в режиме простоя</translation>
    </message>
    <message>
        <source>Selecting file types for indexing:</source>
        <translation>Типы файлов для индексирования:</translation>
    </message>
    <message>
        <source>choising file types for indexing</source>
        <translation>выбор типов файлов для индексирования</translation>
    </message>
    <message>
        <source>Documents and archives</source>
        <translation>Документы и архивы</translation>
    </message>
    <message>
        <source>Applications</source>
        <translation>Приложения</translation>
    </message>
    <message>
        <source>Media files</source>
        <translation>Медиафайлы</translation>
    </message>
    <message>
        <source>Limit index database size:</source>
        <translation>Ограничение размера базы индекса:</translation>
    </message>
    <message>
        <source>Pause indexing and show notification when limit is reached</source>
        <translation>Приостанавливать индексирование и показывать уведомление при достижении предела</translation>
    </message>
    <message>
        <source>Request to continue indexing when the maximum size is exceeded</source>
        <translation>Спрашивать о продолжении индексирования при превышении наибольшего размера</translation>
    </message>
    <message>
        <source>Index size limit (GB):</source>
        <translation>Предел размера индекса (ГБ):</translation>
    </message>
    <message>
        <source>Status: %1, %2% complete</source>
        <translation>Состояние: %1, выполнено %2%</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Приостановить</translation>
    </message>
    <message>
        <source>pause indexing</source>
        <translation>приостановить индексирование</translation>
    </message>
    <message>
        <source>Database size: %1</source>
        <translation>Размер базы: %1</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Сбросить</translation>
    </message>
    <message>
        <source>Folder specific configuration:</source>
        <translation>Настройка папок:</translation>
    </message>
    <message>
        <source>Start indexing a folder…</source>
        <translation>Индексировать папку…</translation>
    </message>
    <message>
        <source>add location for indexing</source>
        <translation>добавить папку для индексирования</translation>
    </message>
    <message>
        <source>Stop indexing a folder…</source>
        <translation>Не индексировать папку…</translation>
    </message>
    <message>
        <source>add an exception for indexing</source>
        <translation>добавить исключение из индексирования</translation>
    </message>
    <message>
        <source>At least one folder must be included to be able to exclude home folder</source>
        <translation>Чтобы исключить домашнюю папку, хотя бы одна другая папка должна индексироваться</translation>
    </message>
    <message>
        <source>Not indexed</source>
        <translation>Не индексируется</translation>
    </message>
    <message>
        <source>Indexed</source>
        <translation>Индексируется</translation>
    </message>
    <message>
        <source>Select a folder to include</source>
        <translation>Выберите папку</translation>
    </message>
    <message>
        <source>Folder &quot;/&quot; could not be added.</source>
        <translation>Папку «/» добавить нельзя.</translation>
    </message>
    <message>
        <source>Selected folder is not readable.</source>
        <translation>Выбранная папка недоступна для чтения.</translation>
    </message>
    <message>
        <source>Input error</source>
        <translation>Ошибка ввода</translation>
    </message>
    <message>
        <source>Settings not saved</source>
        <translation>Настройки не сохранены</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1.</source>
        <translation>Не удалось сохранить настройки в %1.</translation>
    </message>
    <message>
        <source>Settings cannot be read</source>
        <translation>Настройки не читаются</translation>
    </message>
    <message>
        <source>The file search settings in %1 cannot be read, so they are left as they are.</source>
        <translation>Не удаётся прочитать настройки поиска файлов в %1, поэтому они остаются без изменений.</translation>
    </message>
    <message>
        <source>Status: %1</source>
        <translation>Состояние: %1</translation>
    </message>
    <message>
        <source>Resume</source>
        <translation>Продолжить</translation>
    </message>
    <message>
        <source>Database deletion confirmation</source>
        <translation>Подтверждение удаления базы</translation>
    </message>
    <message>
        <source>Do you really want to delete the index database?</source>
        <translation>Удалить базу индекса?</translation>
    </message>
    <message>
        <source>The entire index will have to be re-created from scratch. This may take some time, depending on how many files you have.</source>
        <translation>Индекс придётся создать заново. Это может занять некоторое время в зависимости от количества файлов.</translation>
    </message>
    <message>
        <source>File search has been disabled</source>
        <translation>Поиск файлов выключен</translation>
    </message>
    <message>
        <source>Do you want to delete the saved index data? %1 of space will be freed, but if indexing is re-enabled later, the entire index will have to be re-created from scratch. This may take some time, depending on how many files you have.</source>
        <translation>Удалить сохранённые данные индекса? Освободится %1, но если индексирование снова включить, индекс придётся создать заново. Это может занять некоторое время в зависимости от количества файлов.</translation>
    </message>
</context>
</TS>
