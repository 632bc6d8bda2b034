package sample;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.time.Duration;
import java.time.LocalDate;
import java.time.ZoneId;
import java.time.ZonedDateTime;
import java.time.format.DateTimeFormatter;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.TreeMap;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.Future;
import java.util.logging.Level;
import java.util.logging.Logger;
import java.util.logging.SimpleFormatter;
import java.util.logging.StreamHandler;
import java.util.regex.Matcher;
import java.util.regex.Pattern;
import java.util.stream.Collectors;
import java.util.stream.IntStream;
import javax.xml.parsers.DocumentBuilderFactory;
import org.w3c.dom.Document;
import org.w3c.dom.Element;
import org.w3c.dom.NodeList;

// The start-up benchmark's program: a little of what a real application's
// start touches (collections, streams, regular expressions, java.time, an XML
// document, logging, a message digest, an executor), then one line of output.
public final class Sample {
    private static final String CONFIG =
        "<?xml version=\"1.0\"?>\n<config><server name=\"alpha\" port=\"8080\"/>"
        + "<server name=\"beta\" port=\"8081\"/><feature enabled=\"true\">cache</feature></config>";

    record Server(String name, int port) {}

    public static void main(String[] args) throws Exception {
        // Logging into memory, as an application's file handler would.
        ByteArrayOutputStream logBytes = new ByteArrayOutputStream();
        Logger log = Logger.getLogger("sample");
        log.setUseParentHandlers(false);
        StreamHandler handler = new StreamHandler(logBytes, new SimpleFormatter());
        log.addHandler(handler);
        log.setLevel(Level.INFO);

        Document doc = DocumentBuilderFactory.newInstance().newDocumentBuilder()
            .parse(new ByteArrayInputStream(CONFIG.getBytes(StandardCharsets.UTF_8)));
        NodeList nodes = doc.getElementsByTagName("server");
        List<Server> servers = new ArrayList<>();
        for (int i = 0; i < nodes.getLength(); i++) {
            Element e = (Element) nodes.item(i);
            servers.add(new Server(e.getAttribute("name"), Integer.parseInt(e.getAttribute("port"))));
        }
        log.info("servers: " + servers);

        Pattern entry = Pattern.compile("(?<key>[a-z]+)=(?<value>\\d+)");
        Map<String, Integer> counts = new TreeMap<>();
        Matcher m = entry.matcher("alpha=3 beta=5 gamma=7 alpha=11");
        while (m.find()) counts.merge(m.group("key"), Integer.parseInt(m.group("value")), Integer::sum);

        Map<Boolean, List<Integer>> parts = IntStream.rangeClosed(1, 200).boxed()
            .collect(Collectors.partitioningBy(n -> n % 3 == 0));
        String joined = servers.stream().map(Server::name).sorted().collect(Collectors.joining(","));

        ZonedDateTime when = ZonedDateTime.of(LocalDate.of(2026, 12, 9).atTime(11, 0), ZoneId.of("Europe/Berlin"));
        String stamp = DateTimeFormatter.ISO_OFFSET_DATE_TIME.format(when.plus(Duration.ofHours(5)));

        ExecutorService pool = Executors.newFixedThreadPool(2);
        List<Future<String>> digests = new ArrayList<>();
        for (Server s : servers) {
            digests.add(pool.submit(() -> {
                MessageDigest sha = MessageDigest.getInstance("SHA-256");
                byte[] hash = sha.digest((s.name() + ":" + s.port()).getBytes(StandardCharsets.UTF_8));
                return String.format("%02x%02x", hash[0], hash[1]);
            }));
        }
        Map<String, String> results = new HashMap<>();
        for (int i = 0; i < servers.size(); i++) results.put(servers.get(i).name(), digests.get(i).get());
        pool.shutdown();
        handler.flush();

        System.out.println("counts=" + counts + " thirds=" + parts.get(true).size() + " servers=" + joined
            + " at=" + stamp + " digests=" + new TreeMap<>(results) + " log=" + (logBytes.size() > 0));
    }
}
